#pragma once
// One FFmpeg byte-stream context over callbacks, with the buffer FFmpeg
// reads into. Move-only; one thread at a time. The constructor throws
// FFmpegError when FFmpeg cannot allocate it.

#include <cstdint>
#include <memory>

extern "C" {
#include <libavformat/avio.h>
}

namespace sorvalind {

class IOContext {
public:
    using ReadPacket = int (*)(void* opaque, std::uint8_t* buffer, int size);
    using Seek = std::int64_t (*)(void* opaque, std::int64_t offset, int whence);

    // A read-only, seekable context of `bufferSize` bytes that passes
    // `opaque` to both callbacks.
    IOContext(int bufferSize, void* opaque, ReadPacket read, Seek seek);

    AVIOContext* get() const noexcept { return context_.get(); }

private:
    struct Free {
        void operator()(AVIOContext* context) const noexcept;
    };
    std::unique_ptr<AVIOContext, Free> context_;
};

} // namespace sorvalind
