#include "audio/pulse_output.h"

#include "errors/audio_failure.h"
#include "platform/pulse/context.h"
#include "platform/pulse/pulse_error.h"
#include "platform/pulse/stream.h"
#include "platform/pulse/threaded_main_loop.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace sorvalind {
namespace {

constexpr std::size_t frameBytes = sizeof(float) * AudioOutput::channels;

} // namespace

// One connection to the server: its loop, context and stream. The loop is
// stopped before the stream and context are released, so no callback runs
// while they go.
struct PulseOutput::Connection {
    ThreadedMainLoop loop;
    std::optional<Context> context;
    std::optional<Stream> stream;
    // Frames written before this stream, and the most reported as played.
    std::int64_t base = 0;
    std::int64_t played = 0;

    ~Connection() {
        loop.stop();
        stream.reset();
        context.reset();
    }
};

PulseOutput::PulseOutput() : PulseOutput(Options{}) {}

PulseOutput::PulseOutput(Options options) : options_(std::move(options)) {}

PulseOutput::~PulseOutput() {
    stop();
}

std::unique_ptr<PulseOutput::Connection> PulseOutput::open() {
    auto connection = std::make_unique<Connection>();
    auto* raw = connection.get();
    raw->base = written_.load();
    raw->played = raw->base;
    raw->loop.start();
    std::unique_lock lock(raw->loop);

    raw->context.emplace(raw->loop.api(), options_.applicationName);
    raw->context->setStateCallback([raw] { raw->loop.signal(); });
    raw->context->connect(options_.server);
    for (;;) {
        auto state = raw->context->state();
        if (state == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(state))
            throw PulseError(raw->context->errorCode(), "connect to the sound server");
        raw->loop.wait();
    }

    raw->stream.emplace(*raw->context, "Playback", sampleRate, channels);
    raw->stream->setStateCallback([raw] { raw->loop.signal(); });
    raw->stream->setWriteCallback([this, raw](std::size_t bytes) { onWrite(*raw, bytes); });
    auto latencyBytes = static_cast<std::uint32_t>(latencyFrames()) * static_cast<std::uint32_t>(frameBytes);
    raw->stream->connectPlayback(latencyBytes);
    for (;;) {
        auto state = raw->stream->state();
        if (state == PA_STREAM_READY) break;
        if (!PA_STREAM_IS_GOOD(state)) throw PulseError(raw->context->errorCode(), "open a playback stream");
        raw->loop.wait();
    }

    // From now on a failed context or stream is a loss to recover from.
    raw->context->setStateCallback([this, raw] {
        if (!PA_CONTEXT_IS_GOOD(raw->context->state())) onLost();
    });
    raw->stream->setStateCallback([this, raw] {
        if (!PA_STREAM_IS_GOOD(raw->stream->state())) onLost();
    });
    // Another device now plays the stream: it goes on, but the output changed.
    raw->stream->setMovedCallback([this] { renderer_->outputChanged(); });
    ++streamsOpened_;
    return connection;
}

void PulseOutput::onWrite(Connection& connection, std::size_t bytes) {
    while (bytes >= frameBytes) {
        auto area = connection.stream->beginWrite(bytes);
        if (!area) break;
        auto frames = std::min(area->second, bytes) / frameBytes;
        if (frames == 0) break;
        renderer_->render(static_cast<float*>(area->first), frames);
        if (!connection.stream->write(area->first, frames * frameBytes)) break;
        written_ += static_cast<std::int64_t>(frames);
        bytes -= frames * frameBytes;
    }
    if (auto microseconds = connection.stream->playedMicroseconds()) {
        auto streamPlayed = static_cast<std::int64_t>(*microseconds * sampleRate / 1'000'000);
        auto played = std::min(connection.base + streamPlayed, written_.load());
        connection.played = std::max(connection.played, played);
        renderer_->played(connection.played);
    }
}

void PulseOutput::onLost() {
    {
        std::lock_guard lock(mutex_);
        lost_ = true;
    }
    wake_.notify_all();
}

void PulseOutput::supervise() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || lost_; });
        if (stopping_) return;
        lost_ = false;
        auto lost = std::move(connection_);
        // A connection is never released under mutex_: its loop thread may be
        // waiting for it in onLost.
        lock.unlock();
        lost.reset();
        // What the lost stream held will never play.
        renderer_->played(written_.load());

        std::unique_ptr<Connection> fresh;
        auto pause = options_.firstRetry;
        for (int attempt = 0; attempt < options_.reconnectAttempts && !fresh; ++attempt) {
            if (attempt > 0) {
                lock.lock();
                bool stopping = wake_.wait_for(lock, pause, [this] { return stopping_; });
                lock.unlock();
                if (stopping) return;
                pause *= 2;
            }
            try {
                fresh = open();
            } catch (const PulseError&) {
                // Tried again after the next pause.
            }
        }

        lock.lock();
        if (stopping_) {
            lock.unlock();
            return;
        }
        if (!fresh) {
            lock.unlock();
            running_ = false;
            renderer_->outputChanged();
            return;
        }
        connection_ = std::move(fresh);
        lock.unlock();
        renderer_->outputChanged();
        lock.lock();
    }
}

void PulseOutput::start(AudioRenderer& renderer) {
    if (running_) return;
    // A supervisor that gave up has ended; reap it first.
    stop();
    renderer_ = &renderer;
    written_ = 0;
    streamsOpened_ = 0;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        lost_ = false;
    }
    std::unique_ptr<Connection> connection;
    try {
        connection = open();
    } catch (const PulseError&) {
        // The user reads why playback cannot start; PulseAudio's own reason
        // rides along nested.
        std::throw_with_nested(AudioFailure::outputUnavailable());
    }
    {
        std::lock_guard lock(mutex_);
        connection_ = std::move(connection);
    }
    running_ = true;
    supervisor_ = std::thread([this] { supervise(); });
}

void PulseOutput::stop() noexcept {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (supervisor_.joinable()) supervisor_.join();
    std::unique_ptr<Connection> connection;
    {
        std::lock_guard lock(mutex_);
        connection = std::move(connection_);
    }
    connection.reset();
    running_ = false;
}

bool PulseOutput::isRunning() const noexcept {
    return running_.load();
}

std::int64_t PulseOutput::latencyFrames() const noexcept {
    return static_cast<std::int64_t>(options_.latency.count()) * sampleRate / 1000;
}

} // namespace sorvalind
