// The real program on a real X display, as a user meets it: closing its
// windows leaves it running, a second launch brings the first forward and
// ends with 0, and a quit signal ends it with 0 within the quit's bound.

#include "real_display/real_display_fixture.h"

#include <gtest/gtest.h>

#include <csignal>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

TEST_F(RealDisplay, ClosingBothWindowsKeepsTheProgramRunning) {
    auto program = profile->start();
    ASSERT_TRUE(waitForWindow(*program, mainTitle)) << program->err();
    ASSERT_TRUE(openHelp(*program)) << program->err();

    display().close(display().shownWindow(helpTitle)->id);
    display().close(display().shownWindow(mainTitle)->id);
    ASSERT_TRUE(waitUntil([&] {
        return !display().shownWindow(helpTitle) && !display().shownWindow(mainTitle);
    })) << "the windows did not close";

    // Still serving: the desktop's media controls bring the main window back.
    ASSERT_TRUE(program->running()) << program->err();
    const auto player = playerName();
    ASSERT_TRUE(player) << "no media controls on the bus";
    ASSERT_TRUE(
        session().call({"--dest=" + *player, "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Raise"}));
    EXPECT_TRUE(waitForWindow(*program, mainTitle));
    // And the help window opens again.
    EXPECT_TRUE(openHelp(*program));
    EXPECT_TRUE(program->running());
    EXPECT_EQ(quitBySignal(*program, SIGTERM), 0);
}

TEST_F(RealDisplay, ASecondLaunchRaisesTheFirstAndEndsWithZero) {
    auto first = profile->start();
    ASSERT_TRUE(waitForWindow(*first, mainTitle)) << first->err();
    ASSERT_TRUE(profile->waitUntilServing(*first));

    // The main window closed: the second launch shows it again.
    display().close(display().shownWindow(mainTitle)->id);
    ASSERT_TRUE(waitUntil([&] { return !display().shownWindow(mainTitle); }));
    auto second = profile->start();
    EXPECT_EQ(second->wait(60s), 0) << second->err();
    EXPECT_TRUE(waitForWindow(*first, mainTitle));

    // The help window in front: the second launch puts the main window above it.
    ASSERT_TRUE(openHelp(*first));
    ASSERT_TRUE(waitUntil([&] { return display().above(helpTitle, mainTitle); }));
    auto third = profile->start();
    EXPECT_EQ(third->wait(60s), 0) << third->err();
    EXPECT_TRUE(waitUntil([&] { return display().above(mainTitle, helpTitle); }));

    EXPECT_EQ(second->err(), "");
    EXPECT_EQ(third->err(), "");
    EXPECT_TRUE(first->running());
    EXPECT_EQ(quitBySignal(*first, SIGTERM), 0);
}

TEST_F(RealDisplay, EachQuitSignalEndsTheProgramWithZeroWithinTheBound) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        auto program = profile->start();
        ASSERT_TRUE(waitForWindow(*program, mainTitle)) << program->err();
        EXPECT_EQ(quitBySignal(*program, number), 0);
    }
}

} // namespace
} // namespace sorvalind::test
