// The page load on virtual time: typing waits for a pause, clearing and
// browsing load at once, and a newer key stops the wait and the load.

#include "library_window/page_load_task.h"

#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

class PageLoad : public ::testing::Test {
protected:
    BrowseRequest request(std::string query, std::optional<std::string> route = std::string("Home")) {
        return {std::move(query), std::move(route), SongSort::title};
    }

    VirtualClock clock;
    ManualExecutor timers{clock};
    std::vector<std::stop_token> loads;
    PageLoadTask task{timers, [this](std::stop_token stop) { loads.push_back(stop); }};
};

TEST_F(PageLoad, ThreeQuickKeysLoadOnceAPauseAfterTheLast) {
    task.update(request("a"));
    clock.advance(50ms);
    task.update(request("ab"));
    clock.advance(50ms);
    task.update(request("abc"));
    clock.advance(99ms);
    EXPECT_TRUE(loads.empty());
    EXPECT_TRUE(task.isWaiting());
    clock.advance(1ms);
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_FALSE(loads.front().stop_requested());
    EXPECT_EQ(task.key()->query, "abc");
}

TEST_F(PageLoad, ClearingTheTextAndBrowsingLoadAtOnce) {
    task.update(request("abc"));
    task.update(request(""));
    clock.runUntilIdle();
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_FALSE(task.isWaiting());
    clock.advance(1s);
    EXPECT_EQ(loads.size(), 1u) << "the search's wait was cancelled";

    task.update(request("", "Albums"));
    EXPECT_EQ(loads.size(), 2u);
    EXPECT_TRUE(loads[0].stop_requested()) << "a newer key stops the running load";
    task.update(request("", "Albums"));
    task.update(BrowseRequest{"", std::string("Albums"), SongSort::title});
    EXPECT_EQ(loads.size(), 2u) << "the same key again changes nothing";
    task.update(BrowseRequest{"", std::string("Albums"), SongSort::added});
    EXPECT_EQ(loads.size(), 3u) << "the sort is part of the key";
}

TEST_F(PageLoad, ARouteChangeCancelsTheWaitAndDestroyingStopsTheLoad) {
    task.update(request("abc", "Home"));
    task.update(request("abc", "Albums"));
    clock.advance(100ms);
    ASSERT_EQ(loads.size(), 1u) << "one wait, restarted by the route";
    EXPECT_EQ(task.key()->route, "Albums");

    std::vector<std::stop_token> late;
    {
        PageLoadTask gone{timers, [&](std::stop_token stop) { late.push_back(stop); }};
        gone.update(request(""));
        gone.update(request("x"));
    }
    clock.advance(1s);
    ASSERT_EQ(late.size(), 1u) << "the wait died with its task";
    EXPECT_TRUE(late.front().stop_requested());
}

} // namespace
} // namespace sorvalind::test
