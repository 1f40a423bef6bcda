#pragma once
// Turns decoded audio of one source layout into the pipeline's: float,
// deinterleaved, two channels, at the output rate. Mono goes to both
// channels; of more than two channels the first two are kept. Holds back
// what the resampler's filter still needs; flush() hands that tail out at the
// end of a song so that nothing is lost. Decoder queue only (one thread at a
// time). Construction throws AudioFailure.invalidResponse for a layout it
// cannot take and FFmpegError when libswresample refuses; convert() and
// flush() throw AudioFailure.status.

#include "platform/ffmpeg/pcm_buffer.h"
#include "platform/ffmpeg/resampler_context.h"

#include <cstdint>
#include <optional>

namespace sorvalind {

class SampleConverter {
public:
    struct Input {
        int sampleRate = 0;
        int channels = 0;
        AVSampleFormat format = AV_SAMPLE_FMT_NONE;

        friend bool operator==(const Input&, const Input&) = default;
    };

    SampleConverter(Input input, int outputRate);

    const Input& input() const noexcept { return input_; }
    int outputRate() const noexcept { return outputRate_; }

    // Appends the conversion of `frames` frames laid out as FFmpeg lays out
    // `input().format` (one pointer per plane).
    void convert(const std::uint8_t* const* data, int frames, PCMBuffer& out);
    // Appends everything still held back, so that a song of n input frames
    // gives round(n × output rate ÷ input rate) frames in all.
    void flush(PCMBuffer& out);
    // Drops everything held back, as after a seek.
    void reset();

private:
    void makeResampler();

    Input input_;
    int outputRate_;
    // None when the input is already float planar at the output rate with
    // one or two channels: then the samples are copied as they are.
    std::optional<ResamplerContext> resampler_;
    // Frames taken in and given out since the last reset: a flush gives out
    // exactly what the rate ratio makes of what came in, no filter tail more.
    std::int64_t consumed_ = 0;
    std::int64_t produced_ = 0;
};

} // namespace sorvalind
