#include "runtime/cancellation.h"
#include "runtime/debouncer.h"
#include "runtime/manual_executor.h"
#include "runtime/task_loop.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

class TimedTest : public ::testing::Test {
protected:
    SteadyDuration elapsed() const { return clock.now() - start; }

    VirtualClock clock;
    ManualExecutor main{clock};
    SteadyTime start = clock.now();
};

using TaskLoopTest = TimedTest;
using DebouncerTest = TimedTest;

TEST_F(TaskLoopTest, SleepsFirstAndMeasuresEachSleepFromTheEndOfTheLastRun) {
    std::vector<SteadyDuration> runs;
    TaskLoop loop(main, 1s, [&] {
        runs.push_back(elapsed());
        // Work that takes (virtual) time pushes the next run back.
        if (runs.size() == 2) clock.advanceTo(clock.now() + 300ms);
    });
    clock.advance(999ms);
    EXPECT_TRUE(runs.empty());
    clock.advance(1ms);
    EXPECT_EQ(runs, (std::vector<SteadyDuration>{1s}));
    clock.advance(4s);
    EXPECT_EQ(runs, (std::vector<SteadyDuration>{1s, 2s, 3300ms, 4300ms}));
}

TEST_F(TaskLoopTest, EndsOnStopTokenCancelDestructionOrReplacement) {
    using End = std::function<void(std::stop_source&, std::optional<TaskLoop>&)>;
    std::vector<std::pair<std::string, End>> cases = {
        {"stop requested", [](std::stop_source& s, std::optional<TaskLoop>&) { s.request_stop(); }},
        {"cancel()", [](std::stop_source&, std::optional<TaskLoop>& l) { l->cancel(); }},
        {"handle destroyed", [](std::stop_source&, std::optional<TaskLoop>& l) { l.reset(); }},
        {"handle replaced",
         [this](std::stop_source&, std::optional<TaskLoop>& l) { *l = TaskLoop(main, 1h, [] {}); }},
    };
    for (auto& [name, end] : cases) {
        SCOPED_TRACE(name);
        std::stop_source stop;
        int runs = 0;
        std::optional<TaskLoop> loop;
        loop.emplace(
            main, 900s, [&] { ++runs; }, stop.get_token());
        clock.advance(1800s);
        EXPECT_EQ(runs, 2);
        end(stop, loop);
        clock.advance(3600s);
        EXPECT_EQ(runs, 2);
    }
}

TEST_F(TaskLoopTest, BodyCanEndItsOwnLoopAndAStoppedTokenNeverRuns) {
    int runs = 0;
    std::optional<TaskLoop> loop;
    loop.emplace(main, 1s, [&] {
        if (++runs == 3) loop.reset();
    });
    clock.advance(10s);
    EXPECT_EQ(runs, 3);

    std::stop_source stopped;
    stopped.request_stop();
    TaskLoop never(
        main, 1s, [&] { ++runs; }, stopped.get_token());
    EXPECT_FALSE(never.isRunning());
    clock.advance(10s);
    EXPECT_EQ(runs, 3);
}

TEST_F(TaskLoopTest, DestroyedLoopReleasesItsBodyAtOnce) {
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    {
        TaskLoop loop(main, 900s, [token = std::move(token)] {});
    }
    EXPECT_TRUE(watch.expired()) << "the pending wake-up must not keep the body's captures";
}

TEST_F(DebouncerTest, NewerCallReplacesThePendingOne) {
    std::vector<std::pair<std::string, SteadyDuration>> log;
    Debouncer debouncer(main, 100ms);
    debouncer.schedule([&] { log.emplace_back("a", elapsed()); });
    clock.advance(60ms);
    debouncer.schedule([&] { log.emplace_back("ab", elapsed()); });
    EXPECT_TRUE(debouncer.isPending());
    clock.advance(60ms);
    EXPECT_TRUE(log.empty()) << "the delay restarts with every call";
    clock.advance(40ms);
    using Entry = std::pair<std::string, SteadyDuration>;
    EXPECT_EQ(log, (std::vector<Entry>{{"ab", 160ms}}));
    EXPECT_FALSE(debouncer.isPending());

    // The action may schedule the next round itself.
    debouncer.schedule([&] {
        log.emplace_back("abc", elapsed());
        debouncer.schedule([&] { log.emplace_back("again", elapsed()); });
    });
    clock.advance(1s);
    EXPECT_EQ(log, (std::vector<Entry>{{"ab", 160ms}, {"abc", 260ms}, {"again", 360ms}}));
}

TEST_F(DebouncerTest, CancelAndDestructionDropThePendingCall) {
    int runs = 0;
    Debouncer debouncer(main, 100ms);
    debouncer.schedule([&] { ++runs; });
    debouncer.cancel();
    EXPECT_FALSE(debouncer.isPending());
    {
        Debouncer shortLived(main, 100ms);
        shortLived.schedule([&] { ++runs; });
    }
    clock.advance(1s);
    EXPECT_EQ(runs, 0);
}

TEST(Cancellation, ThrowsTheCancellationErrorOnlyOnceStopped) {
    std::stop_source source;
    EXPECT_NO_THROW(throwIfCancelled(source.get_token()));
    EXPECT_NO_THROW(throwIfCancelled(std::stop_token())) << "a token without a source never stops";
    source.request_stop();
    try {
        throwIfCancelled(source.get_token());
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "The operation was cancelled.");
        EXPECT_TRUE(isCancellation(std::current_exception()));
    }
    EXPECT_FALSE(isCancellation(std::make_exception_ptr(std::runtime_error("other"))));
    EXPECT_FALSE(isCancellation(nullptr));
}

} // namespace
} // namespace sorvalind
