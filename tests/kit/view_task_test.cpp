// A view task applies the work of its current key only, and nothing once its
// view is gone or it was cancelled; a newer key stops the older work.

#include "kit/view_task.h"

#include "support/widgets/gui_wait.h"

#include "runtime/thread_executor.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace sorvalind::test {
namespace {

struct Gate {
    std::promise<void> opened;
    std::shared_future<void> open = opened.get_future().share();
};

TEST(ViewTask, AppliesOnlyTheCurrentKeysWorkAndStopsTheOlder) {
    WorkerPool workers{2, "view-task-test"};
    QWidget view;
    ViewTask<std::string> task(&view);
    std::vector<std::string> applied;
    Gate gate;
    std::atomic<bool> olderSawStop{false};
    std::atomic<bool> olderStarted{false};

    task.run(
        "Albums", workers,
        [open = gate.open, &olderSawStop, &olderStarted](std::stop_token stop) {
            olderStarted = true;
            open.wait();
            olderSawStop = stop.stop_requested();
            return std::string("albums");
        },
        [&](Outcome<std::string> outcome) { applied.push_back(outcome.get()); });
    ASSERT_TRUE(waitUntil([&] { return olderStarted.load(); }));
    task.run(
        "Artists", workers, [](std::stop_token) { return std::string("artists"); },
        [&](Outcome<std::string> outcome) { applied.push_back(outcome.get()); });
    gate.opened.set_value();

    ASSERT_TRUE(waitUntil([&] { return !task.isRunning(); }));
    ASSERT_TRUE(waitUntil([&] { return olderSawStop.load(); }));
    processEvents();
    EXPECT_EQ(applied, std::vector<std::string>{"artists"});
    EXPECT_EQ(task.key(), std::optional<std::string>("Artists"));
}

TEST(ViewTask, TheSameKeyWhileRunningKeepsTheRunningWork) {
    WorkerPool workers{2, "view-task-test"};
    QWidget view;
    ViewTask<int> task(&view);
    std::atomic<int> runs{0};
    int applied = 0;
    Gate gate;
    for (int i = 0; i < 3; ++i)
        task.run(
            7, workers,
            [&runs, open = gate.open](std::stop_token) {
                ++runs;
                open.wait();
                return 1;
            },
            [&](Outcome<int> outcome) { applied += outcome.get(); });
    gate.opened.set_value();
    ASSERT_TRUE(waitUntil([&] { return applied > 0; }));
    processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(applied, 1);
}

TEST(ViewTask, NothingIsAppliedAfterTheViewWentOrTheTaskWasCancelled) {
    WorkerPool workers{2, "view-task-test"};
    int applied = 0;
    for (const bool destroyView : {true, false}) {
        Gate gate;
        std::atomic<bool> started{false};
        std::atomic<bool> finished{false};
        auto view = std::make_unique<QWidget>();
        auto task = std::make_unique<ViewTask<int>>(view.get());
        task->run(
            1, workers,
            [open = gate.open, &started, &finished](std::stop_token) {
                started = true;
                open.wait();
                finished = true;
                return 1;
            },
            [&](Outcome<int>) { ++applied; });
        ASSERT_TRUE(waitUntil([&] { return started.load(); }));
        if (destroyView) {
            task.reset();
            view.reset();
        } else {
            task->cancel();
        }
        gate.opened.set_value();
        ASSERT_TRUE(waitUntil([&] { return finished.load(); }));
        for (int i = 0; i < 5; ++i)
            processEvents();
    }
    EXPECT_EQ(applied, 0);
}

} // namespace
} // namespace sorvalind::test
