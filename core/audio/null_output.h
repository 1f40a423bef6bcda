#pragma once
// A sound device that plays nothing, in real time on a clock: every `period`
// (a timer on the given executor, measured on its clock) it renders what a
// device with `latency` of buffer would have asked for by then, and reports
// as played what that device would have played. So "played back"
// completions come about `latency` after "rendered" ones, as on real
// hardware; on a VirtualClock they come exactly when the test advances time.
//
// Threads: rendering runs on the executor's thread (for a ManualExecutor, on
// whichever thread drives it); start/stop as AudioOutput says. The executor
// must outlive the output's ticks: stop() before the executor shuts down.

#include "audio/audio_output.h"
#include "runtime/executor.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace sorvalind {

class NullOutput final : public AudioOutput {
public:
    explicit NullOutput(Executor& ticks, SteadyDuration latency = std::chrono::milliseconds(50),
                        SteadyDuration period = std::chrono::milliseconds(10));
    ~NullOutput() override;

    void start(AudioRenderer& renderer) override;
    void stop() noexcept override;
    bool isRunning() const noexcept override;
    std::int64_t latencyFrames() const noexcept override;

    // Frames rendered since start.
    std::int64_t framesRendered() const noexcept;

private:
    // Shared with the posted ticks, which may run after the output is gone.
    struct State {
        std::mutex mutex;
        AudioRenderer* renderer = nullptr;
        std::uint64_t run = 0;
        SteadyTime started{};
        std::int64_t rendered = 0;
        std::vector<float> scratch;
    };
    static void tick(const std::shared_ptr<State>& state, Executor& ticks, std::uint64_t run,
                     std::int64_t latencyFrames, SteadyDuration period);

    Executor& ticks_;
    SteadyDuration latency_;
    SteadyDuration period_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace sorvalind
