#include "audio/pcm_decoder.h"

#include "audio/file_byte_source.h"
#include "errors/audio_failure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace sorvalind {
namespace {

bool startsWithFlacMarker(ByteSource& reader) {
    std::array<std::byte, 4> head{};
    if (reader.read(0, head) != head.size()) return false;
    return std::memcmp(head.data(), "fLaC", 4) == 0;
}

} // namespace

PCMDecoder::PCMDecoder(const std::filesystem::path& path, double sampleRate,
                       std::shared_ptr<PCMBufferPool> pool)
    : PCMDecoder(std::make_shared<FileByteSource>(path), sampleRate, std::move(pool)) {}

PCMDecoder::PCMDecoder(std::shared_ptr<ByteSource> reader, double sampleRate,
                       std::shared_ptr<PCMBufferPool> pool)
    : reader_(std::move(reader)), outputRate_(sampleRate),
      pool_(pool ? std::move(pool) : PCMBufferPool::make()) {
    if (!reader_ || !(sampleRate >= 1)) throw AudioFailure::invalidResponse();
    reader_->prepare();
    if (startsWithFlacMarker(*reader_)) {
        flac_ = std::make_unique<FLACDecoder>(*reader_, sampleRate, pool_);
        sourceFormat_ = {AudioCodec::flac, flac_->sampleRate(), flac_->channels(), flac_->bits()};
        frameLength_ = flac_->frameLength();
        return;
    }
    file_ = std::make_unique<AudioFile>(*reader_);
    sourceFormat_ = file_->sourceFormat();
    frameLength_ = file_->frameLength();
    converter_.emplace(file_->decodedLayout(), static_cast<int>(std::lround(sampleRate)));
}

PCMDecoder::PCMDecoder(std::shared_ptr<ChunkSource> body, std::shared_ptr<ByteSource> reader,
                       double sampleRate, std::shared_ptr<PCMBufferPool> pool)
    : reader_(std::move(reader)), outputRate_(sampleRate),
      pool_(pool ? std::move(pool) : PCMBufferPool::make()) {
    if (!(sampleRate >= 1)) throw AudioFailure::invalidResponse();
    stream_ = std::make_unique<MP3StreamDecoder>(std::move(body), sampleRate, pool_);
    sourceFormat_ = stream_->sourceFormat();
}

std::optional<PCMBuffer> PCMDecoder::read(std::uint32_t frames) {
    if (stream_) return stream_->read(frames);
    if (flac_) return flac_->read(frames);
    return readFile(frames);
}

std::optional<PCMBuffer> PCMDecoder::readFile(std::uint32_t frames) {
    while (converted_.frameLength() < frames && !fileEnded_) {
        AudioFile::Decoded decoded = file_->read();
        if (decoded.frames == 0) {
            converter_->flush(converted_);
            fileEnded_ = true;
            break;
        }
        converter_->convert(decoded.planes, decoded.frames, converted_);
    }
    if (converted_.empty()) return std::nullopt;
    return converted_.takeFront(frames, pool_->take());
}

void PCMDecoder::seek(double seconds) {
    if (stream_) return;
    if (flac_) {
        flac_->seek(seconds);
        return;
    }
    double clamped = std::min(duration(), std::max(std::isfinite(seconds) ? seconds : 0.0, 0.0));
    file_->seek(static_cast<std::int64_t>(sourceFormat_.sampleRate * clamped));
    converter_->reset();
    converted_ = {};
    fileEnded_ = false;
}

} // namespace sorvalind
