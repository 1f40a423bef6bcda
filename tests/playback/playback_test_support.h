#pragma once
// Helpers of the playback tests: the fake server with a session to it,
// requests for its media methods, test audio and whole-song decoding.

#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "playback/pcm_decoder.h"
#include "server/http_session.h"
#include "support/media_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sorvalind::testing {

// One folder of test audio for the whole test program, removed at exit.
const std::filesystem::path& audioFolder();

std::string fileText(const std::filesystem::path& path);

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

// Every buffer of the decoder appended.
PCMBuffer decodeAll(PCMDecoder& decoder, std::uint32_t frames = 8192);

// Polls until `condition` holds. A test that never gets there fails by
// ctest's timeout; nothing here measures time.
inline void waitUntil(const std::function<bool()>& condition) {
    while (!condition())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

} // namespace sorvalind::testing
