#pragma once
// One FFmpeg decoder context. Move-only; one thread at a time. The
// constructor throws FFmpegError when FFmpeg cannot allocate it.

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace sorvalind {

class CodecContext {
public:
    explicit CodecContext(const AVCodec* codec);

    AVCodecContext* get() const noexcept { return context_.get(); }
    AVCodecContext* operator->() const noexcept { return context_.get(); }

private:
    struct Free {
        void operator()(AVCodecContext* context) const noexcept { avcodec_free_context(&context); }
    };
    std::unique_ptr<AVCodecContext, Free> context_;
};

} // namespace sorvalind
