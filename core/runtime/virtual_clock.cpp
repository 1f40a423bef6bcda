#include "runtime/virtual_clock.h"

#include "runtime/manual_executor.h"

#include <algorithm>

namespace sorvalind {
namespace {

using Nanos = std::chrono::nanoseconds;

// Far enough from the epoch of steady_clock that tests can subtract spans.
constexpr std::int64_t kSteadyStartNanos = std::int64_t{1'000'000} * 1'000'000'000;

std::int64_t toNanos(SteadyTime t) noexcept {
    return std::chrono::duration_cast<Nanos>(t.time_since_epoch()).count();
}

} // namespace

VirtualClock::VirtualClock(WallTime wallStart) : steadyNanos_(kSteadyStartNanos), wallOffsetNanos_(0) {
    setWallTime(wallStart);
}

WallTime VirtualClock::defaultWallStart() noexcept {
    return WallTime(std::chrono::seconds(1'704'067'200));
}

SteadyTime VirtualClock::now() const noexcept {
    return SteadyTime(std::chrono::duration_cast<SteadyDuration>(Nanos(steadyNanos_.load())));
}

WallTime VirtualClock::wallNow() const noexcept {
    auto nanos = steadyNanos_.load() + wallOffsetNanos_.load();
    return WallTime(std::chrono::duration_cast<WallTime::duration>(Nanos(nanos)));
}

void VirtualClock::setWallTime(WallTime time) noexcept {
    auto wallNanos = std::chrono::duration_cast<Nanos>(time.time_since_epoch()).count();
    wallOffsetNanos_.store(wallNanos - steadyNanos_.load());
}

void VirtualClock::moveTo(SteadyTime time) noexcept {
    // Wall time follows because it is stored as an offset from steady time.
    auto nanos = toNanos(time);
    if (nanos > steadyNanos_.load()) steadyNanos_.store(nanos);
}

bool VirtualClock::later(const Timer& a, const Timer& b) noexcept {
    return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
}

void VirtualClock::advance(SteadyDuration span) {
    advanceTo(now() + span);
}

void VirtualClock::advanceTo(SteadyTime time) {
    runUntilIdle();
    for (;;) {
        std::vector<Timer> due;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || timers_.front().due > time) break;
            auto step = timers_.front().due;
            moveTo(step);
            // Everything due at this instant becomes ready together, in order,
            // as it would on a real queue waking at that time.
            while (!timers_.empty() && timers_.front().due <= step) {
                std::pop_heap(timers_.begin(), timers_.end(), later);
                due.push_back(std::move(timers_.back()));
                timers_.pop_back();
            }
        }
        for (auto& timer : due)
            timer.target->post(std::move(timer.task));
        runUntilIdle();
    }
    moveTo(time);
    runUntilIdle();
}

void VirtualClock::runUntilIdle() {
    for (;;) {
        std::vector<ManualExecutor*> executors;
        {
            std::lock_guard lock(mutex_);
            executors = executors_;
        }
        std::size_t ran = 0;
        for (auto* executor : executors)
            ran += executor->runUntilIdle();
        if (ran == 0) return;
    }
}

std::size_t VirtualClock::pendingTimers() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

void VirtualClock::attach(ManualExecutor* executor) {
    std::lock_guard lock(mutex_);
    executors_.push_back(executor);
}

void VirtualClock::detach(ManualExecutor* executor) noexcept {
    std::vector<Timer> dropped; // destroyed after the lock: their captures may post
    {
        std::lock_guard lock(mutex_);
        std::erase(executors_, executor);
        auto keep = std::partition(timers_.begin(), timers_.end(),
                                   [executor](const Timer& t) { return t.target != executor; });
        std::move(keep, timers_.end(), std::back_inserter(dropped));
        timers_.erase(keep, timers_.end());
        std::make_heap(timers_.begin(), timers_.end(), later);
    }
}

void VirtualClock::schedule(ManualExecutor* target, SteadyTime due, Task task) {
    {
        std::lock_guard lock(mutex_);
        if (due > now()) {
            timers_.push_back(Timer{due, nextSequence_++, target, std::move(task)});
            std::push_heap(timers_.begin(), timers_.end(), later);
            return;
        }
    }
    target->post(std::move(task));
}

} // namespace sorvalind
