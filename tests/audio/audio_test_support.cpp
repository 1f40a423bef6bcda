#include "audio_test_support.h"

#include "errors/audio_failure.h"

#include <algorithm>
#include <cstdlib>

namespace sorvalind::testing {

const std::filesystem::path& audioFolder() {
    return fixtures::programFolder("sorvalind-audio-test");
}

PCMBuffer decodeAll(PCMDecoder& decoder, std::uint32_t frames, bool wholeFrames) {
    PCMBuffer all;
    while (auto buffer = decoder.read(frames)) {
        EXPECT_GT(buffer->frameLength(), 0u);
        EXPECT_EQ(buffer->channels[0].size(), buffer->channels[1].size());
        if (!wholeFrames) {
            EXPECT_LE(buffer->frameLength(), frames);
        }
        for (int c = 0; c < 2; ++c)
            all.channels[c].insert(all.channels[c].end(), buffer->channels[c].begin(),
                                   buffer->channels[c].end());
    }
    return all;
}

std::vector<std::byte> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(), [](char c) { return std::byte(c); });
    return bytes;
}

std::size_t MemoryByteSource::read(std::int64_t position, std::span<std::byte> into) {
    if (position < 0 || position >= size()) return 0;
    std::size_t count = std::min(into.size(), static_cast<std::size_t>(size() - position));
    if (failAt_ >= 0 && position + static_cast<std::int64_t>(count) > failAt_) throw SourceBroke();
    std::copy_n(bytes_.begin() + position, count, into.begin());
    return count;
}

std::optional<std::vector<std::byte>> MemoryChunkSource::next() {
    if (cancelled_) throw AudioFailure::cancelled();
    if (failAfter_ >= 0 && handedOut_ >= failAfter_) throw SourceBroke();
    if (offset_ >= bytes_.size()) return std::nullopt;
    std::size_t count = std::min(chunkSize_, bytes_.size() - offset_);
    std::vector<std::byte> chunk(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_),
                                 bytes_.begin() + static_cast<std::ptrdiff_t>(offset_ + count));
    offset_ += count;
    ++handedOut_;
    return chunk;
}

} // namespace sorvalind::testing
