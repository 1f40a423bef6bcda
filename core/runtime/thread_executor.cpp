#include "runtime/thread_executor.h"

#include <algorithm>
#include <cassert>
#include <pthread.h>

namespace sorvalind {
namespace {

thread_local const ThreadExecutor* currentExecutor = nullptr;

} // namespace

ThreadExecutor::ThreadExecutor(std::size_t threads, const std::string& name) {
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
