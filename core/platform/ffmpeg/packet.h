#pragma once
// One FFmpeg packet. Move-only; one thread at a time. The constructor throws
// FFmpegError when FFmpeg cannot allocate it.

#include <memory>

extern "C" {
#include <libavcodec/packet.h>
}

namespace sorvalind {

class Packet {
public:
    Packet();

    AVPacket* get() const noexcept { return packet_.get(); }
    AVPacket* operator->() const noexcept { return packet_.get(); }

private:
    struct Free {
        void operator()(AVPacket* packet) const noexcept { av_packet_free(&packet); }
    };
    std::unique_ptr<AVPacket, Free> packet_;
};

} // namespace sorvalind
