#include "platform/ffmpeg/frame.h"
#include "platform/ffmpeg/packet.h"

#include "platform/ffmpeg/ffmpeg_error.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>

namespace sorvalind {

Packet::Packet() : packet_(av_packet_alloc()) {
    if (!packet_) throw FFmpegError(AVERROR(ENOMEM));
}

Frame::Frame() : frame_(av_frame_alloc()) {
    if (!frame_) throw FFmpegError(AVERROR(ENOMEM));
}

} // namespace sorvalind
