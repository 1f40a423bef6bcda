#pragma once
// The sound server as an output: one PulseAudio playback stream of
// interleaved float32 frames at 48000 Hz stereo, about 50 ms of buffer,
// filled from the server's write requests on the threaded main loop's
// thread. Works on PipeWire desktops through their Pulse server.
//
// A stream the server moves to another device (the one it played on went
// away, or the user moved it) plays on there, and the renderer hears
// outputChanged(). A stream or context that the server loses (server restart, stream killed,
// device gone) is re-created: the frames it held count as played, a new
// connection is made with a bounded number of attempts and growing pauses,
// and the renderer hears outputChanged() once the new stream runs, or once
// the attempts are used up (then the output has stopped; the next start()
// tries again and throws when there is still no server).
//
// Threads: as AudioOutput says; the renderer's render/played calls come from
// the main loop's thread, outputChanged from the output's supervisor thread.
// start() throws AudioFailure::outputUnavailable, with the PulseError nested,
// when no server or stream can be had.

#include "audio/audio_output.h"
#include "runtime/clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sorvalind {

class PulseOutput final : public AudioOutput {
public:
    struct Options {
        std::string applicationName = "Sorvalind";
        // The server to use; empty for the default (PULSE_SERVER or the
        // user's session).
        std::string server;
        std::chrono::milliseconds latency{50};
        // Re-connection after a loss: this many attempts, the first after
        // `firstRetry`, each pause twice the one before.
        int reconnectAttempts = 5;
        std::chrono::milliseconds firstRetry{200};
    };

    PulseOutput();
    explicit PulseOutput(Options options);
    ~PulseOutput() override;

    void start(AudioRenderer& renderer) override;
    void stop() noexcept override;
    bool isRunning() const noexcept override;
    std::int64_t latencyFrames() const noexcept override;

    // Frames handed to the server since start, over every stream.
    std::int64_t framesWritten() const noexcept { return written_.load(); }
    // Streams that have reached the running state since start.
    int streamsOpened() const noexcept { return streamsOpened_.load(); }

private:
    struct Connection;

    std::unique_ptr<Connection> open();
    void onWrite(Connection& connection, std::size_t bytes);
    void onLost();
    void supervise();

    Options options_;
    AudioRenderer* renderer_ = nullptr;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::unique_ptr<Connection> connection_;
    bool lost_ = false;
    bool stopping_ = false;
    std::thread supervisor_;

    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> written_{0};
    std::atomic<int> streamsOpened_{0};
    // The main loop's thread only: frames written before the current stream.
    std::int64_t base_ = 0;
};

} // namespace sorvalind
