// The featured banner's measures per card width, when its slideshow turns,
// and the 8-second wait on virtual time: restarted by every change of the
// selection or of the slideshow state, dropped when overtaken.

#include "library_window/banner_layout.h"
#include "library_window/banner_rotation.h"

#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

TEST(BannerLayoutTest, MeasuresFollowTheCardWidth) {
    struct Case {
        int width;
        BannerLayout expected;
    };
    const Case cases[] = {
        {600, {false, false, 184, 28, 34, 11, 1.5}}, {580, {false, false, 184, 28, 34, 11, 1.5}},
        {579, {true, false, 128, 20, 25, 11, 1.5}},  {500, {true, false, 128, 20, 25, 11, 1.5}},
        {440, {true, false, 128, 20, 25, 11, 1.5}},  {439, {true, true, 96, 20, 25, 9, 1}},
        {400, {true, true, 96, 20, 25, 9, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bannerLayout(c.width), c.expected) << c.width;
}

TEST(BannerRotationTest, TurnsOnlyWithSeveralAlbumsAndNothingHoldingIt) {
    const RotationInputs turning{.albumCount = 2};
    EXPECT_TRUE(isRotating(turning));
    struct Case {
        const char* why;
        RotationInputs inputs;
    };
    const Case still[] = {
        {"one album", {.albumCount = 1}},
        {"no album", {.albumCount = 0}},
        {"paused", {.albumCount = 3, .paused = true}},
        {"hovering", {.albumCount = 3, .hovering = true}},
        {"reduced motion", {.albumCount = 3, .reduceMotion = true}},
        {"playing", {.albumCount = 3, .playing = true}},
        {"inactive", {.albumCount = 3, .active = false}},
        {"not shown", {.albumCount = 3, .shown = false}},
    };
    for (const Case& c : still)
        EXPECT_FALSE(isRotating(c.inputs)) << c.why;
}

TEST(BannerRotationTest, TheWaitStartsAgainOnEveryChangeAndEndsInOneStep) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    int steps = 0;
    BannerRotation rotation(executor, [&] { ++steps; });

    rotation.update("a", true);
    clock.advance(std::chrono::milliseconds(7999));
    EXPECT_EQ(steps, 0);
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(steps, 1);

    // The step selects another album: a fresh wait from zero.
    rotation.update("b", true);
    clock.advance(std::chrono::seconds(5));
    // The same state again changes nothing.
    rotation.update("b", true);
    clock.advance(std::chrono::seconds(3));
    EXPECT_EQ(steps, 2);

    // A dot chosen meanwhile restarts the wait.
    rotation.update("c", true);
    clock.advance(std::chrono::seconds(6));
    rotation.update("a", true);
    clock.advance(std::chrono::seconds(6));
    EXPECT_EQ(steps, 2);
    clock.advance(std::chrono::seconds(2));
    EXPECT_EQ(steps, 3);

    // Hovering stops it; leaving starts a whole new wait.
    rotation.update("b", false);
    clock.advance(std::chrono::seconds(20));
    EXPECT_EQ(steps, 3);
    rotation.update("b", true);
    clock.advance(std::chrono::seconds(7));
    EXPECT_EQ(steps, 3);
    clock.advance(std::chrono::seconds(1));
    EXPECT_EQ(steps, 4);
}

TEST(BannerRotationTest, AWaitOutlivingTheBannerDoesNothing) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    int steps = 0;
    {
        BannerRotation rotation(executor, [&] { ++steps; });
        rotation.update("a", true);
    }
    clock.advance(std::chrono::seconds(9));
    EXPECT_EQ(steps, 0);
}

} // namespace
} // namespace sorvalind::test
