#pragma once
// One FFmpeg frame of decoded audio. Move-only; one thread at a time. The
// constructor throws FFmpegError when FFmpeg cannot allocate it.

#include <memory>

extern "C" {
#include <libavutil/frame.h>
}

namespace sorvalind {

class Frame {
public:
    Frame();

    AVFrame* get() const noexcept { return frame_.get(); }
    AVFrame* operator->() const noexcept { return frame_.get(); }

private:
    struct Free {
        void operator()(AVFrame* frame) const noexcept { av_frame_free(&frame); }
    };
    std::unique_ptr<AVFrame, Free> frame_;
};

} // namespace sorvalind
