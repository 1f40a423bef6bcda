#pragma once
// The deterministic executor for tests: it stands in for the main actor (or
// any queue) and runs nothing until the test drives it. Ready tasks run in
// posting order, including tasks posted by tasks; postAt tasks wait on the
// attached VirtualClock. post/postAt may come from any thread (real workers
// may hand results back to it); runUntilIdle/runUntil belong to the thread
// that created it, which isCurrent() reports as the executor's own. A task's
// exception propagates out of the run call that ran it.

#include "runtime/executor.h"
#include "runtime/virtual_clock.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace sorvalind {

class ManualExecutor final : public Executor {
public:
    explicit ManualExecutor(VirtualClock& clock);
    ~ManualExecutor() override;
    ManualExecutor(const ManualExecutor&) = delete;
    ManualExecutor& operator=(const ManualExecutor&) = delete;

    void post(Task task) override;
    void postAt(SteadyTime when, Task task) override;
    const SteadyClock& clock() const noexcept override { return clock_.steady(); }
    bool isCurrent() const noexcept override { return std::this_thread::get_id() == owner_; }

    VirtualClock& virtualClock() const noexcept { return clock_; }

    // Runs ready tasks until there are none; returns how many ran.
    std::size_t runUntilIdle();

    // For tests that mix in real threads: runs ready tasks, waiting for posts
    // from other threads, until `done()` is true (returns true; it is asked
    // after every run and at least every millisecond) or `bound` of
    // real time has passed (returns false). The bound only guards against a
    // hang; it is not a timing check.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds bound = std::chrono::seconds(10));

    // Waits until a task is ready or `bound` of real time has passed, then
    // runs the ready tasks; returns how many ran. For a loop that does work
    // of its own between posts, as a program's main loop does.
    std::size_t runPosted(std::chrono::milliseconds bound);

    // Ready tasks not yet run.
    std::size_t pending() const;

private:
    VirtualClock& clock_;
    std::thread::id owner_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> ready_;
};

} // namespace sorvalind
