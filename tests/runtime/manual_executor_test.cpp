#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

TEST(ManualExecutor, RunsPostsInOrderIncludingWorkPostedByWork) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    std::vector<std::string> log;
    executor.post([&] {
        log.push_back("a");
        executor.post([&] {
            log.push_back("a.1");
            executor.post([&] { log.push_back("a.1.1"); });
        });
    });
    executor.post([&] { log.push_back("b"); });
    EXPECT_TRUE(log.empty()) << "nothing runs inline";
    EXPECT_EQ(executor.pending(), 2u);

    EXPECT_EQ(executor.runUntilIdle(), 4u);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "a.1", "a.1.1"}));
    EXPECT_EQ(executor.runUntilIdle(), 0u);
}

TEST(ManualExecutor, TimersFireInTimeOrderWithTiesInPostingOrder) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    auto start = clock.now();
    std::vector<std::pair<std::string, SteadyDuration>> log;
    auto record = [&](std::string name) {
        return [&, name] { log.emplace_back(name, clock.now() - start); };
    };
    executor.postAfter(3s, record("3s"));
    executor.postAfter(1s, record("1s-first"));
    executor.postAfter(2s, [&] {
        record("2s")();
        // Scheduled by a timer: one inside the advanced span, one outside.
        executor.postAfter(500ms, record("2.5s"));
        executor.postAfter(5s, record("7s"));
        executor.post(record("2s-follow-up"));
    });
    executor.postAfter(1s, record("1s-second"));
    executor.postAfter(1s, [&] { executor.postAt(clock.now(), record("1s-now")); });

    executor.runUntilIdle();
    EXPECT_TRUE(log.empty()) << "timers wait for the clock";

    clock.advance(3s);
    using Entry = std::pair<std::string, SteadyDuration>;
    EXPECT_EQ(log, (std::vector<Entry>{{"1s-first", 1s},
                                       {"1s-second", 1s},
                                       {"1s-now", 1s},
                                       {"2s", 2s},
                                       {"2s-follow-up", 2s},
                                       {"2.5s", 2500ms},
                                       {"3s", 3s}}));
    EXPECT_EQ(clock.now() - start, 3s);
    EXPECT_EQ(clock.pendingTimers(), 1u);

    log.clear();
    clock.advance(3999ms);
    EXPECT_TRUE(log.empty());
    clock.advance(1ms);
    EXPECT_EQ(log, (std::vector<Entry>{{"7s", 7s}}));
}

TEST(ManualExecutor, SeveralExecutorsShareOneTimeline) {
    VirtualClock clock;
    ManualExecutor main(clock);
    ManualExecutor worker(clock);
    std::vector<std::string> log;
    main.postAfter(2s, [&] { log.push_back("main 2s"); });
    worker.postAfter(1s, [&] {
        log.push_back("worker 1s");
        main.post([&] { log.push_back("main after worker"); });
    });
    clock.advance(2s);
    EXPECT_EQ(log, (std::vector<std::string>{"worker 1s", "main after worker", "main 2s"}));
}

TEST(ManualExecutor, DestroyingAnExecutorDropsItsTimers) {
    VirtualClock clock;
    bool ran = false;
    {
        ManualExecutor executor(clock);
        executor.postAfter(1s, [&] { ran = true; });
        EXPECT_EQ(clock.pendingTimers(), 1u);
    }
    EXPECT_EQ(clock.pendingTimers(), 0u);
    clock.advance(2s);
    EXPECT_FALSE(ran);
}

TEST(VirtualClock, WallTimeMovesWithSteadyTimeAndCanBeSet) {
    auto start = VirtualClock::defaultWallStart();
    VirtualClock clock;
    EXPECT_EQ(clock.wall().now(), start);
    clock.advance(90s);
    EXPECT_EQ(clock.wall().now(), start + 90s);

    auto steadyBefore = clock.steady().now();
    clock.setWallTime(start - 1h); // the system clock was put back
    EXPECT_EQ(clock.wallNow(), start - 1h);
    EXPECT_EQ(clock.steady().now(), steadyBefore);
    clock.advance(10s);
    EXPECT_EQ(clock.wallNow(), start - 1h + 10s);
}

TEST(ManualExecutor, ATaskExceptionReachesTheTestAndLeavesTheRestQueued) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    bool later = false;
    executor.post([] { throw std::runtime_error("boom"); });
    executor.post([&] { later = true; });
    EXPECT_THROW(executor.runUntilIdle(), std::runtime_error);
    EXPECT_FALSE(later);
    executor.runUntilIdle();
    EXPECT_TRUE(later);
}

TEST(ManualExecutor, RunPostedWakesForAPostFromAnotherThread) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    EXPECT_EQ(executor.runPosted(1ms), 0u) << "nothing posted: back after the bound";

    int ran = 0;
    std::thread poster([&] {
        std::this_thread::sleep_for(5ms);
        executor.post([&] {
            ++ran;
            executor.post([&] { ++ran; });
        });
    });
    // The bound only guards against a hang: the post ends the wait.
    EXPECT_EQ(executor.runPosted(10s), 2u) << "the post and what it posted";
    poster.join();
    EXPECT_EQ(ran, 2);
}

} // namespace
} // namespace sorvalind
