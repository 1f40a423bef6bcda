#include "server/offline_state.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using Clock = OfflineState::Clock;

const Clock::time_point t0 = Clock::time_point(1000s);

TEST(OfflineState, LossCommitsAfterTenSecondsExactly) {
    OfflineState state;
    state.connectionChanged(false, t0);
    EXPECT_FALSE(state.connectionAvailable());
    state.update(t0 + 9900ms);
    EXPECT_FALSE(state.isOffline());
    state.update(t0 + 10s);
    EXPECT_TRUE(state.isOffline());
    // Nothing waits any more: the committed state is stable.
    OfflineState committed = state;
    state.update(t0 + 100s);
    EXPECT_EQ(state, committed);
}

TEST(OfflineState, RecoveryWithinTheLossDelayNeverShowsOffline) {
    OfflineState state;
    state.connectionChanged(false, t0);
    state.connectionChanged(true, t0 + 4s);
    state.update(t0 + 5s);
    EXPECT_FALSE(state.isOffline());
    EXPECT_NE(state, OfflineState()); // a change still waits
    state.update(t0 + 6s);
    EXPECT_FALSE(state.isOffline());
    EXPECT_EQ(state, OfflineState()); // committed online, nothing waiting
}

TEST(OfflineState, RecoveryWhileOfflineCommitsAfterTwoSeconds) {
    OfflineState state;
    state.connectionChanged(false, t0);
    state.update(t0 + 10s);
    ASSERT_TRUE(state.isOffline());
    state.connectionChanged(true, t0 + 20s);
    state.update(t0 + 21990ms);
    EXPECT_TRUE(state.isOffline());
    state.update(t0 + 22s);
    EXPECT_FALSE(state.isOffline());
}

TEST(OfflineState, RepeatedReportDoesNotMoveTheChangeTime) {
    OfflineState state;
    state.connectionChanged(false, t0);
    state.connectionChanged(false, t0 + 8s);
    state.update(t0 + 10s);
    EXPECT_TRUE(state.isOffline());
}

TEST(OfflineState, UpdateBeforeTheChangeOrWithNothingWaitingChangesNothing) {
    OfflineState idle;
    idle.update(t0);
    EXPECT_EQ(idle, OfflineState());

    OfflineState state;
    state.connectionChanged(false, t0);
    OfflineState before = state;
    state.update(t0 - 60s);
    EXPECT_EQ(state, before);
    EXPECT_FALSE(state.isOffline());
}

} // namespace
} // namespace sorvalind
