#include "runtime/thread_executor.h"

#include <algorithm>
#include <cassert>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace sorvalind {
namespace {

thread_local const ThreadExecutor* currentExecutor = nullptr;

// Below the thread that made the executor: enough to lose most contended
// slices to it, not so much that a busy desktop starves the work.
constexpr int yieldingNiceness = 5;
constexpr int lowestNiceness = 19;

void applyToThisThread(ThreadPriority priority) noexcept {
    if (priority != ThreadPriority::yielding) return;
    // Linux keeps a nice value per thread, inherited from the thread that
    // made this one. A refusal only costs latency elsewhere, never
    // correctness, so it is ignored.
    const auto self = static_cast<id_t>(gettid());
    const int inherited = getpriority(PRIO_PROCESS, self);
    (void)setpriority(PRIO_PROCESS, self, std::min(inherited + yieldingNiceness, lowestNiceness));
}

} // namespace

ThreadExecutor::ThreadExecutor(std::size_t threads, const std::string& name, ThreadPriority priority)
    : priority_(priority) {
    threads_.reserve(threads);
    try {
        for (std::size_t i = 0; i < threads; ++i) {
            threads_.emplace_back([this] { run(); });
            pthread_setname_np(threads_.back().native_handle(), name.substr(0, 15).c_str());
        }
    } catch (...) {
        shutdown();
        throw;
    }
}

ThreadExecutor::~ThreadExecutor() {
    shutdown();
}

bool ThreadExecutor::later(const Timer& a, const Timer& b) noexcept {
    return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
}

bool ThreadExecutor::isCurrent() const noexcept {
    return currentExecutor == this;
}

void ThreadExecutor::post(Task task) {
    Task dropped; // destroyed after the lock is released: its captures may post
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            dropped = std::move(task);
        } else {
            ready_.push_back(std::move(task));
        }
    }
    wake_.notify_one();
}

void ThreadExecutor::postAt(SteadyTime when, Task task) {
    Task dropped;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            dropped = std::move(task);
        } else {
            timers_.push_back(Timer{when, nextSequence_++, std::move(task)});
            std::push_heap(timers_.begin(), timers_.end(), later);
        }
    }
    // Every thread may be waiting on a later deadline; each must re-check.
    wake_.notify_all();
}

void ThreadExecutor::shutdown() noexcept {
    assert(!isCurrent() && "an executor cannot join its own thread");
    std::vector<Timer> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
    {
        std::lock_guard lock(mutex_);
        dropped.swap(timers_);
    }
}

void ThreadExecutor::run() noexcept {
    currentExecutor = this;
    applyToThisThread(priority_);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!stopping_) {
            auto now = std::chrono::steady_clock::now();
            while (!timers_.empty() && timers_.front().due <= now) {
                std::pop_heap(timers_.begin(), timers_.end(), later);
                ready_.push_back(std::move(timers_.back().task));
                timers_.pop_back();
            }
        }
        if (!ready_.empty()) {
            Task task = std::move(ready_.front());
            ready_.pop_front();
            lock.unlock();
            task();
            task = Task(); // its captures may post, so release them unlocked
            lock.lock();
            continue;
        }
        if (stopping_) return;
        if (timers_.empty()) {
            wake_.wait(lock);
        } else {
            // A copy: the timer heap may reallocate while the lock is released.
            const SteadyTime due = timers_.front().due;
            wake_.wait_until(lock, due);
        }
    }
}

void shutdownFromAnyThread(std::shared_ptr<ThreadExecutor> executor) noexcept {
    if (!executor) return;
    if (!executor->isCurrent()) {
        executor->shutdown();
        return;
    }
    std::thread([executor = std::move(executor)] { executor->shutdown(); }).detach();
}

} // namespace sorvalind
