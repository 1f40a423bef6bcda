#pragma once
// A transcoded MP3 stream, read as one continuous body and decoded into the
// pipeline's format. Construction reads the body until the stream's format
// and its first audio are known. Releasing the decoder cancels its body.
//
// Decoder queue only (one thread at a time). Throws the body's own failure
// (rethrown unchanged), AudioFailure.invalidResponse for a body that is not
// MPEG layer 3, changes format midway or ends before any audio,
// AudioFailure.status for bytes libmpg123 rejects, and Mpg123Error when
// libmpg123 cannot start. Buffers are made in the storage of `pool` (one of
// the decoder's own when none is given).

#include "audio/chunk_source.h"
#include "audio/pcm_buffer_pool.h"
#include "platform/ffmpeg/audio_source_format.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "platform/ffmpeg/sample_converter.h"
#include "platform/mpg123/mp3_feed_decoder.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace sorvalind {

class MP3StreamDecoder {
public:
    MP3StreamDecoder(std::shared_ptr<ChunkSource> body, double sampleRate,
                     std::shared_ptr<PCMBufferPool> pool = {});
    ~MP3StreamDecoder();
    MP3StreamDecoder(const MP3StreamDecoder&) = delete;
    MP3StreamDecoder& operator=(const MP3StreamDecoder&) = delete;

    // At most `frames` frames; none at the end of the stream.
    std::optional<PCMBuffer> read(std::uint32_t frames);

    const AudioSourceFormat& sourceFormat() const noexcept { return sourceFormat_; }
    double outputSampleRate() const noexcept { return outputRate_; }

private:
    // Decodes more of the body into `converted_`; false once the body has
    // ended and everything is out.
    bool decodeMore();

    std::shared_ptr<ChunkSource> body_;
    double outputRate_;
    std::shared_ptr<PCMBufferPool> pool_;
    MP3FeedDecoder parser_;
    std::optional<SampleConverter> converter_;
    AudioSourceFormat sourceFormat_;
    PCMBuffer converted_;
    bool bodyEnded_ = false;
    bool ended_ = false;
};

} // namespace sorvalind
