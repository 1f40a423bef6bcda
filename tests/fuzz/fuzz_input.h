#pragma once
// The fuzz input as a byte source and as a body of chunks, shared by the
// fuzz targets. One thread.

#include "audio/chunk_source.h"
#include "platform/ffmpeg/byte_source.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace sorvalind::fuzz {

class InputBytes : public ByteSource {
public:
    InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    std::size_t read(std::int64_t position, std::span<std::byte> into) override {
        if (position < 0 || static_cast<std::size_t>(position) >= size_) return 0;
        std::size_t count = std::min(into.size(), size_ - static_cast<std::size_t>(position));
        std::memcpy(into.data(), data_ + position, count);
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

class InputChunks : public ChunkSource {
public:
    InputChunks(const std::uint8_t* data, std::size_t size, std::size_t chunk)
        : data_(data), size_(size), chunk_(std::max<std::size_t>(chunk, 1)) {}
    std::optional<std::vector<std::byte>> next() override {
        if (offset_ >= size_) return std::nullopt;
        std::size_t count = std::min(chunk_, size_ - offset_);
        std::vector<std::byte> bytes(count);
        std::memcpy(bytes.data(), data_ + offset_, count);
        offset_ += count;
        return bytes;
    }
    void cancel() noexcept override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t chunk_;
    std::size_t offset_ = 0;
};

// Decodes at most this many frames of one input: enough for every seed,
// little enough that a stream claiming hours cannot stall the fuzzer.
constexpr std::size_t frameBudget = 48000 * 2;

} // namespace sorvalind::fuzz
