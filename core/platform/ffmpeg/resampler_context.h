#pragma once
// One libswresample context. Move-only; one thread at a time. Creation
// failures throw FFmpegError.

#include <memory>

extern "C" {
#include <libswresample/swresample.h>
}

namespace sorvalind {

class ResamplerContext {
public:
    // A context from `input` to `output` layout, format and rate, mixed by
    // `matrix` (output channels × input channels, row stride = input
    // channels) and initialised.
    ResamplerContext(const AVChannelLayout& input, AVSampleFormat inputFormat, int inputRate,
                     const AVChannelLayout& output, AVSampleFormat outputFormat, int outputRate,
                     const double* matrix);

    SwrContext* get() const noexcept { return context_.get(); }

private:
    struct Free {
        void operator()(SwrContext* context) const noexcept { swr_free(&context); }
    };
    std::unique_ptr<SwrContext, Free> context_;
};

} // namespace sorvalind
