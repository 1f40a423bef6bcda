#pragma once
// A loop that sleeps `interval` on its executor's clock, runs `body`, and
// repeats: the first run comes one interval after construction, and each
// sleep starts when the previous run ends. It stops for good when cancel()
// is called, when the handle is destroyed, or when `stop` is requested.
//
// Create, cancel and destroy it on the executor it runs on (a serial one,
// usually the main actor): then no run starts after cancel() returns. The
// stop token may be requested from any thread. `body` must not throw on a
// threaded executor. Construction throws only std::bad_alloc.

#include "runtime/executor.h"

#include <functional>
#include <memory>
#include <stop_token>

namespace sorvalind {

class TaskLoop {
public:
    TaskLoop(Executor& executor, SteadyDuration interval, std::function<void()> body,
             std::stop_token stop = {});
    ~TaskLoop();
    TaskLoop(TaskLoop&&) noexcept = default;
    TaskLoop& operator=(TaskLoop&& other) noexcept;
    TaskLoop(const TaskLoop&) = delete;
    TaskLoop& operator=(const TaskLoop&) = delete;

    void cancel() noexcept;
    // False once cancelled or stopped.
    bool isRunning() const noexcept;

private:
    struct State;
    static void scheduleNext(const std::shared_ptr<State>& state);
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
