#pragma once
// The manual rendering mode's output: nothing renders until render(n) asks,
// and then exactly n frames are rendered into memory, sample-exact and with
// no clock. Rendered frames count as played back at once.
//
// Threads: one thread at a time drives render() and the device changes;
// start/stop as AudioOutput says. render() on a stopped output throws
// std::logic_error.

#include "audio/audio_output.h"
#include "platform/ffmpeg/pcm_buffer.h"

#include <mutex>
#include <vector>

namespace sorvalind {

class OfflineOutput final : public AudioOutput {
public:
    void start(AudioRenderer& renderer) override;
    void stop() noexcept override;
    bool isRunning() const noexcept override;
    std::int64_t latencyFrames() const noexcept override { return 0; }
    bool isManual() const noexcept override { return true; }

    // The next `frames` frames of the engine, deinterleaved.
    PCMBuffer render(std::size_t frames);

    // For tests, what the sound server's output does when its device goes
    // away: every frame handed over counts as played, and the renderer hears
    // outputChanged(). With `lost` the device is gone for good and the
    // output stops itself first (the next start() opens it again);
    // otherwise it plays on, on the replacement. Does nothing while stopped.
    void changeDevice(bool lost = false);

private:
    mutable std::mutex mutex_;
    AudioRenderer* renderer_ = nullptr;
    std::int64_t rendered_ = 0;
    std::vector<float> interleaved_;
};

} // namespace sorvalind
