// The null output: "played back" completions come as a device with latency
// would give them, on the clock the output ticks on.

#include "audio/audio_engine.h"
#include "audio/null_output.h"
#include "engine_test_support.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using testing::CompletionLog;
using testing::rampBuffer;

TEST(NullOutput, PlayedBackComesOneLatencyAfterRenderedOnTheOutputsClock) {
    VirtualClock clock;
    ManualExecutor ticks(clock);
    CompletionLog log;
    auto output = std::make_unique<NullOutput>(ticks, 50ms, 10ms);
    auto* null = output.get();
    AudioEngine engine(std::move(output));
    auto node = engine.makePlayerNode();
    EXPECT_EQ(engine.latencyFrames(), 2400);

    // 100 ms heard, then 100 ms handed over.
    node->scheduleBuffer(rampBuffer(4800, 1), 0, false, CompletionPoint::playedBack, log.completion("heard"));
    node->scheduleBuffer(rampBuffer(4800, 1), 4800, false, CompletionPoint::rendered,
                         log.completion("handed"));
    node->play();
    engine.start();
    EXPECT_EQ(null->framesRendered(), 2400) << "the device's buffer is filled at once";

    clock.advance(90ms);
    engine.waitForNotifications();
    EXPECT_TRUE(log.names().empty()) << "rendered by 50 ms, but not heard before 100 ms";
    EXPECT_EQ(node->playerSampleTime(), 90 * 48 + 2400);

    clock.advance(10ms);
    engine.waitForNotifications();
    EXPECT_EQ(log.names(), std::vector<std::string>{"heard"});

    clock.advance(40ms);
    engine.waitForNotifications();
    EXPECT_EQ(log.names(), std::vector<std::string>{"heard"});
    clock.advance(10ms);
    engine.waitForNotifications();
    EXPECT_EQ(log.names(), (std::vector<std::string>{"heard", "handed"})) << "rendered at 150 ms";

    // Rendered but not yet heard when the engine stops: it never will be.
    node->scheduleBuffer(rampBuffer(480, 1), std::nullopt, false, CompletionPoint::playedBack,
                         log.completion("cut off"));
    clock.advance(20ms);
    engine.stop();
    engine.waitForNotifications();
    auto entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].end, BufferEnd::completed);
    EXPECT_EQ(entries[2].name, "cut off");
    EXPECT_EQ(entries[2].end, BufferEnd::dropped);

    auto rendered = null->framesRendered();
    clock.advance(100ms);
    EXPECT_EQ(null->framesRendered(), rendered) << "a stopped output renders nothing";
    EXPECT_THROW(engine.renderOffline(10), std::logic_error);
}

TEST(NullOutput, PlaysBackInRealTime) {
    CompletionLog log;
    SerialQueue ticks("null-output");
    {
        AudioEngine engine(std::make_unique<NullOutput>(ticks, 20ms, 5ms));
        auto node = engine.makePlayerNode();
        for (int i = 0; i < 4; ++i)
            node->scheduleBuffer(rampBuffer(1200, 1), std::nullopt, false, CompletionPoint::playedBack,
                                 log.completion(std::to_string(i)));
        node->play();
        engine.start();
        ASSERT_TRUE(log.waitFor(4));
        EXPECT_EQ(log.names(), (std::vector<std::string>{"0", "1", "2", "3"}));
        EXPECT_GE(node->playerSampleTime().value_or(0), 4800);
        engine.stop();
    }
    ticks.shutdown();
}

} // namespace
} // namespace sorvalind
