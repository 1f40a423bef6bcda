#pragma once
// Helpers of the tests that read songs over HTTP from the loopback fake
// server: recognisable bytes, a body held in memory, and polling.

#include "audio/chunk_source.h"
#include "loopback/fake_subsonic_server.h"
#include "support/media_request.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sorvalind::testing {

// Bytes that differ at every offset within 2^24, so a shifted range shows.
std::string patternBytes(std::size_t size);

using test::mediaRequest;

// A whole body handed out as one chunk.
class MemoryChunks : public ChunkSource {
public:
    explicit MemoryChunks(const std::string& bytes)
        : bytes_(reinterpret_cast<const std::byte*>(bytes.data()),
                 reinterpret_cast<const std::byte*>(bytes.data()) + bytes.size()) {}
    std::optional<std::vector<std::byte>> next() override {
        if (bytes_.empty()) return std::nullopt;
        return std::exchange(bytes_, {});
    }
    void cancel() noexcept override {}

private:
    std::vector<std::byte> bytes_;
};

// Polls until `condition` holds. A test that never gets there fails by
// ctest's timeout; nothing here measures time.
inline void waitUntil(const std::function<bool()>& condition) {
    while (!condition())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace sorvalind::testing
