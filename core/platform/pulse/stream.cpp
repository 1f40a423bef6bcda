#include "platform/pulse/stream.h"

#include "platform/pulse/pulse_error.h"

#include <pulse/error.h>

namespace sorvalind {

void Stream::Unref::operator()(pa_stream* stream) const noexcept {
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_moved_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

Stream::Stream(Context& context, const std::string& name, std::uint32_t rate, std::uint8_t channels)
    : callbacks_(std::make_unique<Callbacks>()) {
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, rate, channels};
    pa_channel_map map;
    pa_channel_map_init_auto(&map, channels, PA_CHANNEL_MAP_DEFAULT);
    stream_.reset(pa_stream_new(context.get(), name.c_str(), &format, &map));
    if (!stream_) throw PulseError(context.errorCode(), "make a playback stream");
}

Stream::~Stream() = default;

void Stream::connectPlayback(std::uint32_t targetLatencyBytes) {
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = targetLatencyBytes;
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_.get(), nullptr, &attributes, flags, nullptr, nullptr) < 0)
        throw PulseError(pa_context_errno(pa_stream_get_context(stream_.get())), "connect a playback stream");
}

void Stream::setWriteCallback(std::function<void(std::size_t)> callback) {
    callbacks_->write = std::move(callback);
    pa_stream_set_write_callback(
        stream_.get(),
        [](pa_stream*, std::size_t bytes, void* user) {
            auto& call = static_cast<Callbacks*>(user)->write;
            if (call) call(bytes);
        },
        callbacks_.get());
}

void Stream::setStateCallback(std::function<void()> callback) {
    callbacks_->state = std::move(callback);
    pa_stream_set_state_callback(
        stream_.get(),
        [](pa_stream*, void* user) {
            auto& call = static_cast<Callbacks*>(user)->state;
            if (call) call();
        },
        callbacks_.get());
}

void Stream::setMovedCallback(std::function<void()> callback) {
    callbacks_->moved = std::move(callback);
    pa_stream_set_moved_callback(
        stream_.get(),
        [](pa_stream*, void* user) {
            auto& call = static_cast<Callbacks*>(user)->moved;
            if (call) call();
        },
        callbacks_.get());
}

std::optional<std::pair<void*, std::size_t>> Stream::beginWrite(std::size_t bytes) noexcept {
    void* data = nullptr;
    if (pa_stream_begin_write(stream_.get(), &data, &bytes) < 0 || !data) return std::nullopt;
    return std::pair{data, bytes};
}

bool Stream::write(const void* data, std::size_t bytes) noexcept {
    return pa_stream_write(stream_.get(), data, bytes, nullptr, 0, PA_SEEK_RELATIVE) == 0;
}

std::optional<std::uint64_t> Stream::playedMicroseconds() const noexcept {
    pa_usec_t time = 0;
    if (pa_stream_get_time(stream_.get(), &time) < 0) return std::nullopt;
    return time;
}

std::optional<std::uint64_t> Stream::latencyMicroseconds() const noexcept {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_.get(), &latency, &negative) < 0) return std::nullopt;
    return negative ? 0 : latency;
}

} // namespace sorvalind
