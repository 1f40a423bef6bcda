#pragma once
// One FFmpeg demuxer context reading from a caller's byte-stream context.
// Move-only; one thread at a time. The byte-stream context must outlive it.
// The constructor throws FFmpegError when FFmpeg cannot allocate it; open()
// returns FFmpeg's code so that the caller can tell its own read failures
// from FFmpeg's.

#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

namespace sorvalind {

class FormatContext {
public:
    explicit FormatContext(AVIOContext* io);

    // avformat_open_input with these options; 0 or FFmpeg's negative code.
    // On failure FFmpeg has released the context and get() is null.
    int open(AVDictionary** options) noexcept;

    AVFormatContext* get() const noexcept { return context_.get(); }
    AVFormatContext* operator->() const noexcept { return context_.get(); }

private:
    struct Close {
        void operator()(AVFormatContext* context) const noexcept;
    };
    std::unique_ptr<AVFormatContext, Close> context_;
};

} // namespace sorvalind
