#include "platform/ffmpeg/resampler_context.h"

#include "platform/ffmpeg/ffmpeg_error.h"

namespace sorvalind {

ResamplerContext::ResamplerContext(const AVChannelLayout& input, AVSampleFormat inputFormat, int inputRate,
                                   const AVChannelLayout& output, AVSampleFormat outputFormat, int outputRate,
                                   const double* matrix) {
    SwrContext* raw = nullptr;
    // FFmpeg 5.1 takes the layouts by non-const pointer but only reads them.
    int code = swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout*>(&output), outputFormat, outputRate,
                                   const_cast<AVChannelLayout*>(&input), inputFormat, inputRate, 0, nullptr);
    context_.reset(raw);
    if (code < 0) throw FFmpegError(code);
    if ((code = swr_set_matrix(raw, matrix, input.nb_channels)) < 0) throw FFmpegError(code);
    if ((code = swr_init(raw)) < 0) throw FFmpegError(code);
}

} // namespace sorvalind
