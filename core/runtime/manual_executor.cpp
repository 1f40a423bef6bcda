#include "runtime/manual_executor.h"

#include <algorithm>
#include <chrono>

namespace sorvalind {

ManualExecutor::ManualExecutor(VirtualClock& clock) : clock_(clock), owner_(std::this_thread::get_id()) {
    clock_.attach(this);
}

ManualExecutor::~ManualExecutor() {
    clock_.detach(this);
    std::deque<Task> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(ready_);
    }
}

void ManualExecutor::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(task));
    }
    posted_.notify_all();
}

void ManualExecutor::postAt(SteadyTime when, Task task) {
    clock_.schedule(this, when, std::move(task));
}

std::size_t ManualExecutor::runUntilIdle() {
    std::size_t ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (ready_.empty()) break;
            task = std::move(ready_.front());
            ready_.pop_front();
        }
        ++ran;
        task();
    }
    return ran;
}

bool ManualExecutor::runUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        runUntilIdle();
        if (done()) return true;
        // done() may turn true without a post (a worker thread finishing),
        // so look at it again every millisecond rather than only on posts.
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return done();
        std::unique_lock lock(mutex_);
        posted_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(1)),
                           [this] { return !ready_.empty(); });
    }
}

std::size_t ManualExecutor::runPosted(std::chrono::milliseconds bound) {
    {
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, bound, [this] { return !ready_.empty(); });
    }
    return runUntilIdle();
}

std::size_t ManualExecutor::pending() const {
    std::lock_guard lock(mutex_);
    return ready_.size();
}

} // namespace sorvalind
