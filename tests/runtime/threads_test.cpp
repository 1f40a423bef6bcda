#include "runtime/async_call.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

// Waits (bounded, only to avoid hanging the run) until `done()` holds.
class Latch {
public:
    void update(const std::function<void()>& change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }
    bool waitFor(const std::function<bool()>& done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, done);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

TEST(SerialQueue, RunsAllPostsOneAtATimeKeepingEachProducersOrder) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 2000;
    std::vector<std::vector<int>> received(kProducers); // touched only on the queue
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    Latch latch;
    int done = 0;
    {
        SerialQueue queue("test-serial");
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p) {
            producers.emplace_back([&, p] {
                for (int i = 0; i < kPerProducer; ++i) {
                    queue.post([&, p, i] {
                        if (running.fetch_add(1) != 0) overlapped = true;
                        EXPECT_TRUE(queue.isCurrent());
                        received[p].push_back(i);
                        running.fetch_sub(1);
                        if (i == kPerProducer - 1) latch.update([&] { ++done; });
                    });
                }
            });
        }
        for (auto& t : producers)
            t.join();
        EXPECT_FALSE(queue.isCurrent());
        ASSERT_TRUE(latch.waitFor([&] { return done == kProducers; }));
    }
    EXPECT_FALSE(overlapped);
    for (int p = 0; p < kProducers; ++p) {
        ASSERT_EQ(received[p].size(), static_cast<std::size_t>(kPerProducer));
        for (int i = 0; i < kPerProducer; ++i)
            ASSERT_EQ(received[p][i], i);
    }
}

TEST(ThreadExecutor, TimersFireInTimeOrderAndShutdownRunsReadyWorkButDropsTimers) {
    std::vector<int> order;
    Latch latch;
    auto released = std::make_shared<int>(0);
    std::weak_ptr<int> watch = released;
    {
        SerialQueue queue;
        auto base = queue.clock().now();
        // Posted out of order; a tie keeps posting order.
        queue.postAt(base + 30ms, [&] { latch.update([&] { order.push_back(3); }); });
        queue.postAt(base + 10ms, [&] { latch.update([&] { order.push_back(1); }); });
        queue.postAt(base + 10ms, [&] { latch.update([&] { order.push_back(2); }); });
        ASSERT_TRUE(latch.waitFor([&] { return order.size() == 3; }));
        queue.postAfter(1h, [released = std::move(released)] { FAIL() << "dropped at shutdown"; });
        queue.post([&] { latch.update([&] { order.push_back(4); }); });
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(watch.expired());
}

TEST(WorkerPool, RunsWorkConcurrentlyAndJoinsOnDestruction) {
    Latch latch;
    int arrived = 0;
    std::atomic<int> sawAll{0};
    {
        WorkerPool pool(3, "test-pool");
        // Three tasks that wait for each other can only finish on three threads.
        for (int i = 0; i < 3; ++i) {
            pool.post([&] {
                latch.update([&] { ++arrived; });
                if (latch.waitFor([&] { return arrived == 3; })) ++sawAll;
            });
        }
    }
    EXPECT_EQ(arrived, 3);
    EXPECT_EQ(sawAll, 3);
}

TEST(SerialQueue, AYieldingQueueRunsBelowTheThreadsThatWaitOnIt) {
    auto niceness = [] { return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); };
    SerialQueue normal("test-normal");
    SerialQueue yielding("test-yielding", ThreadPriority::yielding);
    const int here = niceness();
    EXPECT_EQ(callSync(normal, niceness), here);
    EXPECT_EQ(callSync(yielding, niceness), std::min(here + 5, 19));
    EXPECT_EQ(niceness(), here) << "only the queue's own thread changes";
}

TEST(RunOn, DeliversValueOrExceptionOnTheTargetExecutor) {
    VirtualClock clock;
    ManualExecutor main(clock);
    WorkerPool workers(2);

    std::optional<Outcome<std::string>> text;
    std::optional<Outcome<void>> failure;
    std::thread::id mainThread = std::this_thread::get_id(), textThread, failureThread;
    runOn(
        workers, main,
        [&] {
            EXPECT_TRUE(workers.isCurrent());
            return std::string("from worker");
        },
        [&](Outcome<std::string> o) {
            textThread = std::this_thread::get_id();
            text = std::move(o);
        });
    runOn(
        workers, main, [] { throw std::invalid_argument("bad"); },
        [&](Outcome<void> o) {
            failureThread = std::this_thread::get_id();
            failure = std::move(o);
        });
    // Move-only results travel too.
    std::unique_ptr<int> owned;
    runOn(
        workers, main, [] { return std::make_unique<int>(9); },
        [&](Outcome<std::unique_ptr<int>> o) { owned = std::move(o).get(); });
    ASSERT_TRUE(main.runUntil([&] { return text && failure && owned; }));
    EXPECT_EQ(*owned, 9);
    EXPECT_EQ(textThread, mainThread);
    EXPECT_EQ(failureThread, mainThread);
    EXPECT_EQ(text->get(), "from worker");
    EXPECT_FALSE(failure->hasValue());
    EXPECT_THROW(failure->get(), std::invalid_argument);
}

TEST(RunOn, WorkDroppedByAStoppedWorkerCompletesWithCancellation) {
    VirtualClock clock;
    ManualExecutor main(clock);
    auto worker = std::make_unique<SerialQueue>();
    worker->shutdown();
    std::optional<Outcome<int>> result;
    auto moveOnly = std::make_unique<int>(7);
    runOn(
        *worker, main, [p = std::move(moveOnly)] { return *p; },
        [&](Outcome<int> o) { result = std::move(o); });
    main.runUntilIdle();
    ASSERT_TRUE(result);
    EXPECT_THROW(result->get(), CancellationError);
}

TEST(CallSync, ReturnsRethrowsAndRunsInlineOnTheQueueItself) {
    SerialQueue queue;
    EXPECT_EQ(callSync(queue, [] { return 42; }), 42);
    EXPECT_THROW(callSync(queue, [] { throw std::out_of_range("x"); }), std::out_of_range);
    // A nested call on the same queue would wait for itself; it runs inline.
    EXPECT_EQ(callSync(queue, [&] { return callSync(queue, [&] { return queue.isCurrent(); }); }), true);

    queue.shutdown();
    EXPECT_THROW(callSync(queue, [] {}), CancellationError);
}

} // namespace
} // namespace sorvalind
