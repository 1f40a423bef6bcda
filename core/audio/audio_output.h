#pragma once
// Where the audio engine's sound goes. An output pulls interleaved stereo
// 32-bit float frames at 48000 Hz from its renderer (the engine) on a thread
// of its own choosing, and tells the renderer how far playback has got, so
// that "played back" means heard and not just handed over.
//
// Three outputs: PulseOutput (the sound server), NullOutput (a device that
// plays nothing, on a clock, for tests of what is played back) and
// OfflineOutput (the manual rendering mode: render(n) into memory, no clock).
//
// Threads: start/stop/isRunning from the engine's owner, one call at a time.
// The renderer's calls come from the output's thread, one at a time and
// never after stop() has returned. stop() must not be called from inside a
// renderer call.

#include <cstddef>
#include <cstdint>

namespace sorvalind {

// The engine side of an output.
class AudioRenderer {
public:
    virtual ~AudioRenderer() = default;
    // Fills `frames` interleaved stereo frames; the first follows the last of
    // the call before, so rendering is gapless across calls.
    virtual void render(float* interleaved, std::size_t frames) = 0;
    // Of all frames rendered so far, the first `frames` have been played
    // (or are lost for good with a lost device); never decreases.
    virtual void played(std::int64_t frames) = 0;
    // The output's device changed or was lost and replaced, or is gone for
    // good (then the output has stopped itself). Called on the output's
    // thread; the renderer must hand it on elsewhere and return.
    virtual void outputChanged() = 0;
};

class AudioOutput {
public:
    static constexpr std::uint32_t sampleRate = 48000;
    static constexpr std::uint8_t channels = 2;

    virtual ~AudioOutput() = default;

    // Starts pulling from `renderer` (which outlives the run). Throws the
    // output's own failure when it cannot start; a running output ignores it.
    virtual void start(AudioRenderer& renderer) = 0;
    // Stops pulling; after return no renderer call is running or will come.
    virtual void stop() noexcept = 0;
    virtual bool isRunning() const noexcept = 0;
    // About how far playback lags behind rendering, in frames.
    virtual std::int64_t latencyFrames() const noexcept = 0;
    // True for the manual rendering mode: nothing renders unless the owner
    // asks, and rendered frames count as played at once.
    virtual bool isManual() const noexcept { return false; }
};

} // namespace sorvalind
