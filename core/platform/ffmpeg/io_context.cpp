#include "platform/ffmpeg/io_context.h"

#include "platform/ffmpeg/ffmpeg_error.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>

namespace sorvalind {

void IOContext::Free::operator()(AVIOContext* context) const noexcept {
    // FFmpeg may have replaced the buffer it was given; free the one it holds now.
    av_freep(&context->buffer);
    avio_context_free(&context);
}

IOContext::IOContext(int bufferSize, void* opaque, ReadPacket read, Seek seek) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(static_cast<size_t>(bufferSize)));
    if (!buffer) throw FFmpegError(AVERROR(ENOMEM));
    context_.reset(avio_alloc_context(buffer, bufferSize, 0, opaque, read, nullptr, seek));
    if (!context_) {
        av_free(buffer);
        throw FFmpegError(AVERROR(ENOMEM));
    }
}

} // namespace sorvalind
