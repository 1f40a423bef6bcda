#pragma once
// One PulseAudio playback stream of a context. Its callbacks run on the main
// loop's thread with the loop's lock held; every call here needs that lock
// too (or the loop stopped). Release disconnects it. Move-only (callbacks stay
// attached across moves). The constructor and connectPlayback() throw
// PulseError; the other calls report failure by their result.

#include "platform/pulse/context.h"

#include <pulse/stream.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

class Stream {
public:
    // A stream of interleaved 32-bit float frames (native byte order) at
    // `rate` with `channels` channels (1 or 2).
    Stream(Context& context, const std::string& name, std::uint32_t rate, std::uint8_t channels);
    Stream(Stream&&) noexcept = default;
    Stream& operator=(Stream&&) noexcept = default;
    ~Stream();

    // Connects to the default sink, asking for about `targetLatencyBytes`
    // in the server's buffer, with timing updates the server interpolates.
    void connectPlayback(std::uint32_t targetLatencyBytes);
    pa_stream_state_t state() const noexcept { return pa_stream_get_state(stream_.get()); }

    // Called with the number of bytes the server wants now.
    void setWriteCallback(std::function<void(std::size_t)> callback);
    void setStateCallback(std::function<void()> callback);
    // Called when the server moves the stream to another device.
    void setMovedCallback(std::function<void()> callback);

    // A buffer of up to `bytes` in the server's memory to fill and hand to
    // write(); none when the stream cannot give one.
    std::optional<std::pair<void*, std::size_t>> beginWrite(std::size_t bytes) noexcept;
    bool write(const void* data, std::size_t bytes) noexcept;

    // The playback time of the stream so far (what has left the device), or
    // none before the first timing update.
    std::optional<std::uint64_t> playedMicroseconds() const noexcept;
    // The server's latency now (device plus buffered), or none before the
    // first timing update.
    std::optional<std::uint64_t> latencyMicroseconds() const noexcept;

    pa_stream* get() const noexcept { return stream_.get(); }

private:
    struct Unref {
        void operator()(pa_stream* stream) const noexcept;
    };
    struct Callbacks {
        std::function<void(std::size_t)> write;
        std::function<void()> state;
        std::function<void()> moved;
    };
    std::unique_ptr<pa_stream, Unref> stream_;
    std::unique_ptr<Callbacks> callbacks_;
};

} // namespace sorvalind
