#include "audio/mp3_stream_decoder.h"

#include "errors/audio_failure.h"

#include <cmath>

namespace sorvalind {

MP3StreamDecoder::MP3StreamDecoder(std::shared_ptr<ChunkSource> body, double sampleRate,
                                   std::shared_ptr<PCMBufferPool> pool)
    : body_(std::move(body)), outputRate_(sampleRate), pool_(pool ? std::move(pool) : PCMBufferPool::make()) {
    if (!body_) throw AudioFailure::invalidResponse();
    try {
        while (converted_.empty())
            if (!decodeMore()) throw AudioFailure::invalidResponse();
    } catch (...) {
        body_->cancel();
        throw;
    }
}

MP3StreamDecoder::~MP3StreamDecoder() {
    body_->cancel();
}

bool MP3StreamDecoder::decodeMore() {
    if (ended_) return false;
    for (;;) {
        MP3FeedDecoder::Step step = parser_.decode();
        if (step.kind == MP3FeedDecoder::Step::Kind::audio) {
            const auto& format = *parser_.format();
            if (!converter_) {
                converter_.emplace(SampleConverter::Input{static_cast<int>(format.sampleRate),
                                                          format.channels, AV_SAMPLE_FMT_FLT},
                                   static_cast<int>(std::lround(outputRate_)));
                sourceFormat_ = {AudioCodec::mpegLayer3, static_cast<double>(format.sampleRate),
                                 static_cast<std::uint32_t>(format.channels), 0};
            }
            const auto* planes = reinterpret_cast<const std::uint8_t*>(step.samples.data());
            converter_->convert(&planes, static_cast<int>(step.samples.size()) / format.channels, converted_);
            return true;
        }
        if (bodyEnded_) {
            if (converter_) converter_->flush(converted_);
            ended_ = true;
            return !converted_.empty();
        }
        std::optional<std::vector<std::byte>> chunk = body_->next();
        if (!chunk)
            bodyEnded_ = true;
        else
            parser_.feed(*chunk);
    }
}

std::optional<PCMBuffer> MP3StreamDecoder::read(std::uint32_t frames) {
    while (converted_.frameLength() < frames && decodeMore()) {
    }
    if (converted_.empty()) return std::nullopt;
    return converted_.takeFront(frames, pool_->take());
}

} // namespace sorvalind
