#include "runtime/async_call.h"

#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <optional>
#include <stop_token>

namespace sorvalind {
namespace {

TEST(RunOnWithStopTest, AStopBeforeTheWorkerStartsSkipsTheWork) {
    VirtualClock clock;
    ManualExecutor main(clock);
    ManualExecutor worker(clock);
    struct Case {
        bool stopBeforeStart;
        bool expectRan;
    };
    for (const Case c : {Case{false, true}, Case{true, false}}) {
        std::stop_source stop;
        bool ran = false;
        std::optional<Outcome<int>> result;
        runOn(
            worker, main, stop.get_token(),
            [&ran] {
                ran = true;
                return 7;
            },
            [&result](Outcome<int> outcome) { result.emplace(std::move(outcome)); });
        if (c.stopBeforeStart) stop.request_stop();
        worker.runUntilIdle();
        EXPECT_FALSE(result) << "the completion runs on the target";
        main.runUntilIdle();
        ASSERT_TRUE(result);
        EXPECT_EQ(ran, c.expectRan);
        if (c.expectRan) {
            EXPECT_EQ(result->get(), 7);
        } else {
            EXPECT_TRUE(isCancellation(result->error()));
        }
    }
}

} // namespace
} // namespace sorvalind
