#include "runtime/task_loop.h"

#include <atomic>
#include <optional>

namespace sorvalind {

struct TaskLoop::State {
    State(Executor& e, SteadyDuration i, std::function<void()> b)
        : executor(e), interval(i), body(std::move(b)) {}

    Executor& executor;
    SteadyDuration interval;
    std::function<void()> body;
    std::atomic<bool> cancelled{false};
    // Declared last so that it is destroyed first: its callback touches `cancelled`.
    std::optional<std::stop_callback<std::function<void()>>> onStop;
};

TaskLoop::TaskLoop(Executor& executor, SteadyDuration interval, std::function<void()> body,
                   std::stop_token stop)
    : state_(std::make_shared<State>(executor, interval, std::move(body))) {
    auto* raw = state_.get();
    state_->onStop.emplace(std::move(stop), std::function<void()>([raw] { raw->cancelled = true; }));
    scheduleNext(state_);
}

TaskLoop::~TaskLoop() {
    cancel();
}

TaskLoop& TaskLoop::operator=(TaskLoop&& other) noexcept {
    if (this != &other) {
        cancel();
        state_ = std::move(other.state_);
    }
    return *this;
}

void TaskLoop::cancel() noexcept {
    if (state_) state_->cancelled = true;
}

bool TaskLoop::isRunning() const noexcept {
    return state_ && !state_->cancelled;
}

void TaskLoop::scheduleNext(const std::shared_ptr<State>& state) {
    if (state->cancelled) return;
    // The pending timer holds the loop weakly: a cancelled, destroyed loop
    // leaves only an empty wake-up behind and releases the body at once.
    state->executor.postAfter(state->interval, [weak = std::weak_ptr<State>(state)] {
        auto state = weak.lock();
        if (!state || state->cancelled) return;
        state->body();
        scheduleNext(state);
    });
}

} // namespace sorvalind
