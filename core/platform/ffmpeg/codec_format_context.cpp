#include "platform/ffmpeg/codec_context.h"
#include "platform/ffmpeg/format_context.h"

#include "platform/ffmpeg/ffmpeg_error.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>

namespace sorvalind {

CodecContext::CodecContext(const AVCodec* codec) : context_(avcodec_alloc_context3(codec)) {
    if (!context_) throw FFmpegError(AVERROR(ENOMEM));
}

void FormatContext::Close::operator()(AVFormatContext* context) const noexcept {
    // Opened or not, the custom byte-stream context stays the caller's.
    avformat_close_input(&context);
}

FormatContext::FormatContext(AVIOContext* io) : context_(avformat_alloc_context()) {
    if (!context_) throw FFmpegError(AVERROR(ENOMEM));
    context_->pb = io;
    context_->flags |= AVFMT_FLAG_CUSTOM_IO;
}

int FormatContext::open(AVDictionary** options) noexcept {
    AVFormatContext* raw = context_.release();
    int code = avformat_open_input(&raw, nullptr, nullptr, options);
    context_.reset(raw);
    return code;
}

} // namespace sorvalind
