#include "runtime/timer_wait.h"

#include "runtime/cancellation.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace sorvalind {
namespace {

struct WaitState {
    std::mutex mutex;
    std::condition_variable changed;
    bool fired = false;
    bool dropped = false;
};

// Owned by the timer task: firing sets `fired`; being destroyed unfired
// (the executor shut down) sets `dropped`, so the waiter never hangs.
struct Firing {
    std::shared_ptr<WaitState> state;
    bool ran = false;

    explicit Firing(std::shared_ptr<WaitState> s) : state(std::move(s)) {}
    Firing(Firing&& other) noexcept : state(std::move(other.state)), ran(other.ran) {}
    ~Firing() {
        if (!state || ran) return;
        std::lock_guard lock(state->mutex);
        state->dropped = true;
        state->changed.notify_all();
    }
    void fire() {
        ran = true;
        std::lock_guard lock(state->mutex);
        state->fired = true;
        state->changed.notify_all();
    }
};

} // namespace

void waitOnClockOf(Executor& timers, SteadyDuration span, std::stop_token stop) {
    if (timers.isCurrent()) throw OwnExecutorWaitError();
    auto state = std::make_shared<WaitState>();
    timers.postAfter(span, [firing = std::make_shared<Firing>(state)] { firing->fire(); });
    std::stop_callback wake(stop, [state] {
        std::lock_guard lock(state->mutex);
        state->changed.notify_all();
    });
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->fired || state->dropped || stop.stop_requested(); });
    if (!state->fired) throw CancellationError();
}

} // namespace sorvalind
