#include "runtime/task_handle.h"

#include "runtime/async_call.h"
#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sorvalind {
namespace {

std::string describe(const Outcome<void>& outcome) {
    if (outcome.hasValue()) return "ok";
    if (isCancellation(outcome.error())) return "cancelled";
    try {
        outcome.get();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "?";
}

struct TaskHandleTest : ::testing::Test {
    VirtualClock clock;
    ManualExecutor main{clock};
    ManualExecutor worker{clock};
    std::vector<std::string> heard;

    void listen(const TaskHandle& task, const std::string& name) {
        task.whenFinished(main, [this, name](const Outcome<void>& outcome) {
            heard.push_back(name + ": " + describe(outcome));
        });
    }
};

TEST_F(TaskHandleTest, CallbacksHearTheOutcomeOnTheirExecutor) {
    TaskHandle good = startTask(worker, [](std::stop_token) {});
    TaskHandle bad = startTask(worker, [](std::stop_token) { throw std::runtime_error("disk full"); });
    listen(good, "good");
    listen(bad, "bad");
    EXPECT_FALSE(good.isFinished());
    main.runUntilIdle();
    EXPECT_TRUE(heard.empty());

    worker.runUntilIdle();
    EXPECT_TRUE(good.isFinished() && bad.isFinished());
    EXPECT_TRUE(heard.empty()) << "callbacks run on the main actor, not on the worker";
    main.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"good: ok", "bad: disk full"}));

    // A listener that comes late hears at once, and no task counts as ended.
    heard.clear();
    listen(bad, "late");
    listen(TaskHandle(), "none");
    main.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"late: disk full", "none: ok"}));
    EXPECT_TRUE(TaskHandle().isFinished());
}

TEST_F(TaskHandleTest, ASourceEndsWorkThatHopsBetweenExecutors) {
    // The shape of a reload: a main-actor task runs blocking work on a worker
    // and ends once the result is applied back on the main actor.
    TaskSource source;
    TaskHandle reload = source.handle();
    int applied = 0;
    runOn(
        worker, main, [] { return 42; },
        [&applied, source = std::move(source)](Outcome<int> result) mutable {
            applied = result.get();
            source.finish(Outcome<void>::success());
            source.finish(Outcome<void>::failure(std::make_exception_ptr(std::runtime_error("late"))));
        });
    listen(reload, "reload");
    clock.runUntilIdle();
    EXPECT_EQ(applied, 42);
    EXPECT_EQ(heard, (std::vector<std::string>{"reload: ok"})) << "the first outcome counts";
}

TEST_F(TaskHandleTest, ChainedTasksStayInOrderEvenWhenOneIsCancelled) {
    std::vector<std::string> ran;
    TaskHandle first = startTask(worker, [&](std::stop_token) {
        ran.push_back("first");
        throw std::runtime_error("refused");
    });
    TaskHandle second = startTask(
        worker, [&](std::stop_token) { ran.push_back("second"); }, first);
    TaskHandle third = startTask(
        worker, [&](std::stop_token) { ran.push_back("third"); }, second);
    listen(first, "first");
    listen(second, "second");
    listen(third, "third");

    second.cancel();
    EXPECT_FALSE(first.isCancelled()) << "cancelling a task leaves the one it waits for alone";
    main.runUntilIdle();
    EXPECT_FALSE(second.isFinished()) << "a cancelled task still ends after the one it waits for";

    worker.runUntilIdle();
    clock.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(heard, (std::vector<std::string>{"first: refused", "second: cancelled", "third: ok"}));
}

TEST_F(TaskHandleTest, CancellingReachesARunningBody) {
    WorkerPool pool(2, "task-test");
    std::atomic<bool> started = false;
    TaskHandle running = startTask(pool, [&](std::stop_token stop) {
        started = true;
        std::mutex mutex;
        std::condition_variable stopped;
        std::stop_callback wake(stop, [&] {
            std::lock_guard lock(mutex);
            stopped.notify_all();
        });
        std::unique_lock lock(mutex);
        stopped.wait(lock, [&] { return stop.stop_requested(); });
        throwIfCancelled(stop);
    });
    listen(running, "running");
    ASSERT_TRUE(main.runUntil([&] { return started.load(); }));
    running.cancel();
    ASSERT_TRUE(main.runUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, (std::vector<std::string>{"running: cancelled"}));
}

TEST_F(TaskHandleTest, WorkThatNeverRunsStillEnds) {
    // A source dropped unfinished.
    TaskHandle abandoned;
    {
        TaskSource source;
        abandoned = source.handle();
    }
    listen(abandoned, "abandoned");

    // A body whose executor is gone before the task it waits for ends.
    TaskSource gate;
    auto queue = std::make_unique<SerialQueue>("task-test");
    bool ran = false;
    TaskHandle dropped = startTask(
        *queue, [&](std::stop_token) { ran = true; }, gate.handle());
    listen(dropped, "dropped");
    queue->shutdown();
    gate.finish(Outcome<void>::success());

    // A body still queued on a test executor that goes away.
    auto temporary = std::make_unique<ManualExecutor>(clock);
    TaskHandle unrun = startTask(*temporary, [&](std::stop_token) { ran = true; });
    listen(unrun, "unrun");
    temporary.reset();

    main.runUntilIdle();
    EXPECT_FALSE(ran);
    EXPECT_EQ(heard,
              (std::vector<std::string>{"abandoned: cancelled", "dropped: cancelled", "unrun: cancelled"}));
}

TEST_F(TaskHandleTest, AllFinishedWaitsForEveryTaskWhateverItsOutcome) {
    TaskHandle done = startTask(worker, [](std::stop_token) {});
    worker.runUntilIdle();
    TaskHandle failing = startTask(worker, [](std::stop_token) { throw std::runtime_error("x"); });
    TaskSource slow;
    TaskHandle all = TaskHandle::allFinished({done, TaskHandle(), failing, slow.handle()});
    listen(all, "all");
    worker.runUntilIdle();
    main.runUntilIdle();
    EXPECT_FALSE(all.isFinished());
    EXPECT_TRUE(heard.empty());

    slow.finish(Outcome<void>::success());
    main.runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"all: ok"}));
    EXPECT_TRUE(TaskHandle::allFinished({}).isFinished());
}

TEST(TaskHandleThreads, ALongChainOnAPoolRunsInCallOrder) {
    // Each push waits for the previous one: the chain needs no lock of its
    // own, and a sanitizer run checks that each body sees the one before.
    SerialQueue listener("listener");
    std::vector<int> order;
    std::atomic<int> callbacks = 0;
    TaskSource gate;
    TaskHandle last = gate.handle();
    {
        WorkerPool pool(4, "chain");
        for (int i = 0; i < 300; ++i) {
            last = startTask(
                pool,
                [&order, i](std::stop_token) {
                    order.push_back(i);
                    if (i % 7 == 0) throw std::runtime_error("refused");
                },
                last);
            // Listeners come and go from other threads while the chain runs.
            last.whenFinished(listener, [&callbacks](const Outcome<void>&) { ++callbacks; });
            if (i == 100) gate.finish(Outcome<void>::success());
        }
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;
        last.whenFinished(pool, [&](const Outcome<void>&) {
            std::lock_guard lock(mutex);
            finished = true;
            ended.notify_all();
        });
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return finished; });
    }
    listener.shutdown();
    ASSERT_EQ(order.size(), 300u);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(order[i], i);
    EXPECT_EQ(callbacks.load(), 300);
}

TEST(TaskHandleThreads, ListenersRacingTheEndEachHearItOnce) {
    for (int round = 0; round < 50; ++round) {
        SerialQueue listener("listener");
        std::atomic<int> heard = 0;
        TaskSource source;
        TaskHandle task = source.handle();
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 10; ++i)
                    task.whenFinished(listener, [&heard](const Outcome<void>&) { ++heard; });
            });
        }
        std::thread finisher([&] { source.finish(Outcome<void>::success()); });
        for (auto& thread : threads)
            thread.join();
        finisher.join();
        listener.shutdown();
        EXPECT_EQ(heard.load(), 40);
    }
}

} // namespace
} // namespace sorvalind
