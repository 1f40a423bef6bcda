#include "audio/flac_decoder.h"

#include "errors/audio_failure.h"

#include <algorithm>
#include <cmath>

namespace sorvalind {
namespace {

FLACDecoder& self(void* client) {
    return *static_cast<FLACDecoder*>(client);
}

// Integer samples to float, times `scale`. In runs of eight samples, which
// the compiler turns into vector instructions: every sample of a song passes
// through here.
void toFloat(float* __restrict plane, const FLAC__int32* __restrict samples, std::size_t count,
             float scale) noexcept {
    constexpr std::size_t run = 8;
    std::size_t i = 0;
    for (; i + run <= count; i += run)
        for (std::size_t k = i; k < i + run; ++k)
            plane[k] = static_cast<float>(samples[k]) * scale;
    for (; i < count; ++i)
        plane[i] = static_cast<float>(samples[i]) * scale;
}

} // namespace

FLACDecoder::FLACDecoder(ByteSource& reader, double sampleRate, std::shared_ptr<PCMBufferPool> pool)
    : reader_(reader), outputRate_(sampleRate), pool_(pool ? std::move(pool) : PCMBufferPool::make()) {
    decoder_.initialise({&FLACDecoder::readBytes, &FLACDecoder::seekBytes, &FLACDecoder::tellBytes,
                         &FLACDecoder::lengthOf, &FLACDecoder::atEnd, &FLACDecoder::writeFrame,
                         &FLACDecoder::metadata, &FLACDecoder::error},
                        this);
    if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder_.get()) || failure_) fail();
    // A stream that does not say how long it is cannot be sought or timed.
    if (sampleRate_ <= 0 || channels_ == 0 || frameLength_ <= 0 || bits_ == 0)
        throw AudioFailure::invalidResponse();
    const int rate = static_cast<int>(std::lround(outputRate_));
    converter_.emplace(SampleConverter::Input{static_cast<int>(sampleRate_), static_cast<int>(channels_),
                                              AV_SAMPLE_FMT_FLTP},
                       rate);
    pending_.resize(channels_);
}

void FLACDecoder::fail() {
    if (failure_) std::rethrow_exception(failure_);
    throw AudioFailure::invalidResponse();
}

FLAC__StreamDecoderReadStatus FLACDecoder::readBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                     size_t* bytes, void* client) {
    if (!client || !bytes) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    FLACDecoder& decoder = self(client);
    try {
        std::size_t got =
            decoder.reader_.read(decoder.cursor_, std::span(reinterpret_cast<std::byte*>(buffer), *bytes));
        *bytes = got;
        decoder.cursor_ += static_cast<std::int64_t>(got);
        return got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                        : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    } catch (...) {
        if (!decoder.failure_) decoder.failure_ = std::current_exception();
        *bytes = 0;
        return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
}

FLAC__StreamDecoderSeekStatus FLACDecoder::seekBytes(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                                     void* client) {
    if (!client) return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    self(client).cursor_ = static_cast<std::int64_t>(offset);
    return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}

FLAC__StreamDecoderTellStatus FLACDecoder::tellBytes(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                                     void* client) {
    if (!client || !offset) return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
    *offset = static_cast<FLAC__uint64>(self(client).cursor_);
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus FLACDecoder::lengthOf(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                      void* client) {
    if (!client || !length) return FLAC__STREAM_DECODER_LENGTH_STATUS_ERROR;
    *length = static_cast<FLAC__uint64>(self(client).reader_.size());
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool FLACDecoder::atEnd(const FLAC__StreamDecoder*, void* client) {
    if (!client) return true;
    FLACDecoder& decoder = self(client);
    return decoder.cursor_ >= decoder.reader_.size();
}

FLAC__StreamDecoderWriteStatus FLACDecoder::writeFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                       const FLAC__int32* const buffer[], void* client) {
    if (!client || !frame || !buffer) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    FLACDecoder& decoder = self(client);
    const FLAC__FrameHeader& header = frame->header;
    // The converter was built for the stream's rate and channel count; a
    // frame that disagrees would be read past its planes.
    if (header.sample_rate != decoder.sampleRate_ || header.channels != decoder.channels_ ||
        header.bits_per_sample == 0 || header.bits_per_sample > 32) {
        if (!decoder.failure_) decoder.failure_ = std::make_exception_ptr(AudioFailure::invalidResponse());
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const std::size_t frames = header.blocksize;
    // A power of two, so multiplying by its inverse gives exactly the
    // quotient, at a fraction of a division's cost.
    const float inverseScale =
        static_cast<float>(std::ldexp(1.0, 1 - static_cast<int>(header.bits_per_sample)));
    for (std::uint32_t c = 0; c < header.channels; ++c) {
        const FLAC__int32* samples = buffer[c];
        if (!samples) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        auto& plane = decoder.pending_[c];
        plane.resize(frames);
        toFloat(plane.data(), samples, frames, inverseScale);
    }
    decoder.hasPending_ = true;
    if (header.number_type == FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER)
        decoder.decodedEnd_ = static_cast<std::int64_t>(header.number.sample_number + frames);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void FLACDecoder::metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client) {
    if (!client || !block || block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    FLACDecoder& decoder = self(client);
    const auto& info = block->data.stream_info;
    decoder.sampleRate_ = info.sample_rate;
    decoder.channels_ = info.channels;
    decoder.bits_ = info.bits_per_sample;
    decoder.frameLength_ = static_cast<std::int64_t>(info.total_samples);
}

void FLACDecoder::error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client) {
    if (!client) return;
    FLACDecoder& decoder = self(client);
    if (!decoder.seeking_ && !decoder.failure_)
        decoder.failure_ = std::make_exception_ptr(AudioFailure::invalidResponse());
}

bool FLACDecoder::next() {
    if (hasPending_) return true;
    for (;;) {
        if (failure_) std::rethrow_exception(failure_);
        if (FLAC__stream_decoder_get_state(decoder_.get()) == FLAC__STREAM_DECODER_END_OF_STREAM) {
            // libFLAC drops a frame cut short by the end of the bytes without
            // a word; a song that ends early is not a whole song.
            if (decodedEnd_ < frameLength_) throw AudioFailure::invalidResponse();
            return false;
        }
        if (!FLAC__stream_decoder_process_single(decoder_.get())) fail();
        if (failure_) std::rethrow_exception(failure_);
        if (hasPending_) return true;
    }
}

std::optional<PCMBuffer> FLACDecoder::read(std::uint32_t frames) {
    const bool asIs = sampleRate_ == outputRate_ && channels_ == 2;
    if (asIs) {
        if (!next()) return std::nullopt;
        hasPending_ = false;
        // The frame goes out as it is; the next one is decoded into storage
        // given back from earlier buffers.
        PCMBuffer buffer = pool_->take();
        std::swap(buffer.channels[0], pending_[0]);
        std::swap(buffer.channels[1], pending_[1]);
        return buffer;
    }
    while (converted_.frameLength() < frames && !ended_) {
        if (!next()) {
            converter_->flush(converted_);
            ended_ = true;
            break;
        }
        hasPending_ = false;
        const std::uint8_t* planes[FLAC__MAX_CHANNELS];
        for (std::uint32_t c = 0; c < channels_; ++c)
            planes[c] = reinterpret_cast<const std::uint8_t*>(pending_[c].data());
        converter_->convert(planes, static_cast<int>(pending_[0].size()), converted_);
    }
    if (converted_.empty()) return std::nullopt;
    return converted_.takeFront(frames, pool_->take());
}

void FLACDecoder::seek(double seconds) {
    double wanted = std::isfinite(seconds) ? seconds * sampleRate_ : 0;
    auto target = static_cast<std::int64_t>(std::clamp(wanted, 0.0, static_cast<double>(frameLength_ - 1)));
    hasPending_ = false;
    failure_ = nullptr;
    seeking_ = true;
    bool sought = FLAC__stream_decoder_seek_absolute(decoder_.get(), static_cast<FLAC__uint64>(target));
    seeking_ = false;
    if (!sought) {
        // libFLAC needs a flush before it decodes again after a failed seek.
        FLAC__stream_decoder_flush(decoder_.get());
        fail();
    }
    converter_->reset();
    converted_ = {};
    ended_ = false;
}

} // namespace sorvalind
