#pragma once
// Test time. A VirtualClock stands still until the test advances it; its
// timers are the postAt tasks of the ManualExecutors attached to it, and
// advance() fires them in time order (ties in posting order), running each
// executor until idle after every step, so work scheduled by a timer that
// falls inside the advanced span fires within the same call.
//
// Wall time moves with steady time and can be set independently (to model a
// changed system clock). now()/wallNow() and the clock adaptors may be read
// from any thread; advance/runUntilIdle belong to the thread driving the
// attached executors. Destroy the executors before the clock, and never from
// inside one of their tasks. Exceptions thrown by a task propagate out of
// advance/runUntilIdle.

#include "runtime/clock.h"
#include "runtime/task.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sorvalind {

class ManualExecutor;

class VirtualClock final {
public:
    // Starts steady time at an arbitrary fixed point and wall time at `wallStart`.
    explicit VirtualClock(WallTime wallStart = defaultWallStart());
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    static WallTime defaultWallStart() noexcept; // 2024-01-01T00:00:00Z

    const SteadyClock& steady() const noexcept { return steady_; }
    const WallClock& wall() const noexcept { return wall_; }
    SteadyTime now() const noexcept;
    WallTime wallNow() const noexcept;

    // Moves wall time only; steady time and timers are unaffected.
    void setWallTime(WallTime time) noexcept;

    // Runs ready work, then moves time forward to now + span (or `time`),
    // firing due timers on the way. A time in the past only runs ready work.
    void advance(SteadyDuration span);
    void advanceTo(SteadyTime time);

    // Runs every attached executor until none has ready work; time stands still.
    void runUntilIdle();

    // Timers not yet fired, over all attached executors.
    std::size_t pendingTimers() const;

private:
    friend class ManualExecutor;
    struct Timer {
        SteadyTime due;
        std::uint64_t sequence;
        ManualExecutor* target;
        Task task;
    };
    class Steady final : public SteadyClock {
    public:
        explicit Steady(const VirtualClock& owner) : owner_(owner) {}
        SteadyTime now() const noexcept override { return owner_.now(); }

    private:
        const VirtualClock& owner_;
    };
    class Wall final : public WallClock {
    public:
        explicit Wall(const VirtualClock& owner) : owner_(owner) {}
        WallTime now() const noexcept override { return owner_.wallNow(); }

    private:
        const VirtualClock& owner_;
    };

    static bool later(const Timer& a, const Timer& b) noexcept; // heap order: earliest first

    void attach(ManualExecutor* executor);
    void detach(ManualExecutor* executor) noexcept;
    void schedule(ManualExecutor* target, SteadyTime due, Task task);
    void moveTo(SteadyTime time) noexcept;

    Steady steady_{*this};
    Wall wall_{*this};
    std::atomic<std::int64_t> steadyNanos_;
    std::atomic<std::int64_t> wallOffsetNanos_;

    mutable std::mutex mutex_;
    std::vector<Timer> timers_; // a min-heap on (due, sequence)
    std::vector<ManualExecutor*> executors_;
    std::uint64_t nextSequence_ = 0;
};

} // namespace sorvalind
