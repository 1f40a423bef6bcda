#include "audio/null_output.h"

#include <algorithm>

namespace sorvalind {
namespace {

std::int64_t framesIn(SteadyDuration span) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(span).count() * AudioOutput::sampleRate /
           1'000'000'000;
}

// A device asks for this much at a time at most.
constexpr std::int64_t blockFrames = 1024;

} // namespace

NullOutput::NullOutput(Executor& ticks, SteadyDuration latency, SteadyDuration period)
    : ticks_(ticks), latency_(latency), period_(period) {}

NullOutput::~NullOutput() {
    stop();
}

void NullOutput::start(AudioRenderer& renderer) {
    std::uint64_t run;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->renderer) return;
        state_->renderer = &renderer;
        state_->started = ticks_.clock().now();
        state_->rendered = 0;
        run = ++state_->run;
    }
    tick(state_, ticks_, run, latencyFrames(), period_);
}

void NullOutput::stop() noexcept {
    std::lock_guard lock(state_->mutex);
    state_->renderer = nullptr;
    ++state_->run;
}

bool NullOutput::isRunning() const noexcept {
    std::lock_guard lock(state_->mutex);
    return state_->renderer != nullptr;
}

std::int64_t NullOutput::latencyFrames() const noexcept {
    return framesIn(latency_);
}

std::int64_t NullOutput::framesRendered() const noexcept {
    std::lock_guard lock(state_->mutex);
    return state_->rendered;
}

void NullOutput::tick(const std::shared_ptr<State>& state, Executor& ticks, std::uint64_t run,
                      std::int64_t latencyFrames, SteadyDuration period) {
    {
        // Held while rendering, so that stop() returns only once no render runs.
        std::lock_guard lock(state->mutex);
        if (!state->renderer || state->run != run) return;
        auto elapsed = framesIn(ticks.clock().now() - state->started);
        // The device's buffer is kept full: it holds `latency` ahead of what
        // has played.
        auto wanted = elapsed + latencyFrames;
        while (state->rendered < wanted) {
            auto frames = static_cast<std::size_t>(std::min(blockFrames, wanted - state->rendered));
            state->scratch.assign(frames * channels, 0.0f);
            state->renderer->render(state->scratch.data(), frames);
            state->rendered += static_cast<std::int64_t>(frames);
        }
        state->renderer->played(std::min(elapsed, state->rendered));
    }
    std::weak_ptr<State> weak = state;
    ticks.postAfter(period, [weak, &ticks, run, latencyFrames, period] {
        if (auto state = weak.lock()) tick(state, ticks, run, latencyFrames, period);
    });
}

} // namespace sorvalind
