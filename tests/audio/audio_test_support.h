#pragma once
// Helpers of the audio tests: decoding a whole song, the test audio folder,
// byte and chunk sources that fail on cue.

#include "audio/chunk_source.h"
#include "audio/file_byte_source.h"
#include "audio/pcm_decoder.h"
#include "loopback/audio/audio_fixtures.h"
#include "platform/ffmpeg/byte_source.h"
#include "platform/ffmpeg/pcm_buffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace sorvalind::testing {

// A failure only a test source throws, to tell it from the decoders' own.
struct SourceBroke : std::runtime_error {
    SourceBroke() : std::runtime_error("the source broke") {}
};

// One folder of test audio for the whole test program, removed at exit.
const std::filesystem::path& audioFolder();

// Every buffer of the decoder appended, checking that each is at most
// `frames` long unless `wholeFrames` allows longer ones.
PCMBuffer decodeAll(PCMDecoder& decoder, std::uint32_t frames = 8192, bool wholeFrames = false);

std::vector<std::byte> fileBytes(const std::filesystem::path& path);

// Bytes held in memory, optionally failing every read at or past an offset.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::vector<std::byte> bytes, std::int64_t failAt = -1)
        : bytes_(std::move(bytes)), failAt_(failAt) {}

    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::size_t read(std::int64_t position, std::span<std::byte> into) override;

private:
    std::vector<std::byte> bytes_;
    std::int64_t failAt_;
};

// A body handed out in chunks of a fixed size, optionally failing after a
// number of chunks.
class MemoryChunkSource : public ChunkSource {
public:
    MemoryChunkSource(std::vector<std::byte> bytes, std::size_t chunkSize, int failAfter = -1)
        : bytes_(std::move(bytes)), chunkSize_(chunkSize), failAfter_(failAfter) {}

    std::optional<std::vector<std::byte>> next() override;
    void cancel() noexcept override { cancelled_ = true; }
    bool cancelled() const noexcept { return cancelled_; }

private:
    std::vector<std::byte> bytes_;
    std::size_t chunkSize_;
    int failAfter_;
    std::size_t offset_ = 0;
    int handedOut_ = 0;
    bool cancelled_ = false;
};

} // namespace sorvalind::testing
