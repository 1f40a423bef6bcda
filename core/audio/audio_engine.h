#pragma once
// The audio engine: player nodes mixed into one output at 48000 Hz stereo
// float. Rendering is pulled by the output on its own thread (the sound
// server's loop, a null device's ticks, or the caller of renderOffline in the
// manual rendering mode); each block is the sum of every playing node's
// frames times its volume, silence where none plays.
//
// Notifications (buffer completions and output changes) run one at a time, in
// order, on the engine's own notification thread; none runs under a lock of
// the engine or of a node. A handler must not block on the thread that owns
// the engine (the main actor): workers never wait on it.
//
// Threads: start/stop/renderOffline from one owner thread at a time (never
// from a notification); makePlayerNode, isRunning and the handler setter from
// any thread. start() throws the output's failure (AudioFailure's
// outputUnavailable for the sound server). The destructor stops the output, then runs the notifications
// already queued before it returns (when it runs on the notification thread,
// they run after it has returned; the engine may be let go there).

#include "audio/audio_output.h"
#include "audio/player_node.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "runtime/thread_executor.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace sorvalind {

class AudioEngine final : private AudioRenderer {
public:
    static constexpr double sampleRate = AudioOutput::sampleRate;

    explicit AudioEngine(std::unique_ptr<AudioOutput> output);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // A new node, attached and mixed into the output from now on.
    std::shared_ptr<PlayerNode> makePlayerNode();

    // Starts the output; a running engine ignores it.
    void start();
    // Stops the output; nodes keep what is scheduled and their time.
    void stop() noexcept;
    bool isRunning() const noexcept;

    // The manual rendering mode: the output is an OfflineOutput.
    bool isInManualRenderingMode() const noexcept { return output_->isManual(); }
    // In the manual rendering mode, while running: the next `frames` frames.
    // Otherwise throws std::logic_error.
    PCMBuffer renderOffline(std::size_t frames);

    // About how far playback lags behind rendering, in frames.
    std::int64_t latencyFrames() const noexcept { return output_->latencyFrames(); }

    // Called on the notification thread when the output device changed, was
    // lost and re-created, or is gone (then the engine has stopped and the
    // next start() tries the device again).
    void setConfigurationChangeHandler(std::function<void()> handler);

    // Blocks until every notification queued so far has run. Never from a
    // notification.
    void waitForNotifications();

private:
    void render(float* interleaved, std::size_t frames) override;
    void played(std::int64_t frames) override;
    void outputChanged() override;

    std::shared_ptr<SerialQueue> notifications_;
    std::unique_ptr<AudioOutput> output_;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<PlayerNode>> nodes_;

    struct ChangeHandler {
        std::mutex mutex;
        std::function<void()> handler;
    };
    std::shared_ptr<ChangeHandler> change_;

    // The output's thread only.
    std::int64_t renderedFrames_ = 0;
    std::vector<std::shared_ptr<PlayerNode>> rendering_;
};

} // namespace sorvalind
