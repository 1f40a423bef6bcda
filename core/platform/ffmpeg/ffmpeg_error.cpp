#include "platform/ffmpeg/ffmpeg_error.h"

extern "C" {
#include <libavutil/error.h>
}

namespace sorvalind {
namespace {

std::string describe(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

FFmpegError::FFmpegError(int code) : std::runtime_error(describe(code)), code_(code) {}

} // namespace sorvalind
