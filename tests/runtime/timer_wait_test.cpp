#include "runtime/timer_wait.h"

#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

// Lets the worker reach its wait: the timer it posts is the sign.
void awaitTimer(const VirtualClock& clock) {
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (clock.pendingTimers() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_EQ(clock.pendingTimers(), 1u);
}

TEST(TimerWaitTest, EndsExactlyWhenTheExecutorsClockReachesTheSpan) {
    VirtualClock clock;
    ManualExecutor main(clock);
    auto waited = std::async(std::launch::async, [&] { waitOnClockOf(main, 2s, {}); });
    awaitTimer(clock);
    clock.advance(2s - 1ms);
    EXPECT_EQ(waited.wait_for(20ms), std::future_status::timeout);
    clock.advance(1ms);
    EXPECT_NO_THROW(waited.get());
}

TEST(TimerWaitTest, StopAndShutdownEndTheWaitWithCancellation) {
    VirtualClock clock;
    ManualExecutor main(clock);
    std::stop_source stop;
    auto stopped = std::async(std::launch::async, [&] { waitOnClockOf(main, 1h, stop.get_token()); });
    awaitTimer(clock);
    stop.request_stop();
    EXPECT_THROW(stopped.get(), CancellationError);

    auto queue = std::make_unique<SerialQueue>("timers");
    auto dropped = std::async(std::launch::async, [&] { waitOnClockOf(*queue, 1h, {}); });
    // The timer may or may not be posted yet; either way shutdown must end the wait.
    std::this_thread::sleep_for(10ms);
    queue->shutdown();
    EXPECT_THROW(dropped.get(), CancellationError);
}

TEST(TimerWaitTest, WaitingOnTheExecutorsOwnThreadFailsInsteadOfHanging) {
    VirtualClock clock;
    ManualExecutor main(clock);
    EXPECT_THROW(waitOnClockOf(main, 1s, {}), OwnExecutorWaitError);
    EXPECT_EQ(clock.pendingTimers(), 0u);

    SerialQueue queue("own");
    std::promise<bool> refused;
    queue.post([&] {
        try {
            waitOnClockOf(queue, 1s, {});
            refused.set_value(false);
        } catch (const OwnExecutorWaitError&) {
            refused.set_value(true);
        }
    });
    EXPECT_TRUE(refused.get_future().get());
}

} // namespace
} // namespace sorvalind
