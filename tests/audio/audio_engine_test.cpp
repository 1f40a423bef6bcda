// The audio engine and its player node, sample-exact on the offline output
// (the manual rendering mode).

#include "audio/audio_engine.h"
#include "audio/offline_output.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

using testing::CompletionLog;
using testing::rampBuffer;

class OfflineEngine : public ::testing::Test {
protected:
    // The log outlives the engine, whose destructor may still run completions.
    CompletionLog log;
    AudioEngine engine{std::make_unique<OfflineOutput>()};
    std::shared_ptr<PlayerNode> node = engine.makePlayerNode();

    void SetUp() override {
        engine.start();
        ASSERT_TRUE(engine.isInManualRenderingMode());
    }

    // Renders `total` frames in blocks of `block`, as one buffer.
    PCMBuffer renderInBlocks(std::size_t total, std::size_t block) {
        PCMBuffer all;
        for (std::size_t done = 0; done < total; done += block)
            testing::append(all, engine.renderOffline(std::min(block, total - done)));
        return all;
    }

    void schedule(const std::shared_ptr<const PCMBuffer>& buffer, std::optional<std::int64_t> at,
                  const std::string& name, bool interrupts = false,
                  CompletionPoint point = CompletionPoint::rendered) {
        node->scheduleBuffer(buffer, at, interrupts, point, log.completion(name));
    }

    std::vector<std::pair<std::string, BufferEnd>> outcomes() {
        engine.waitForNotifications();
        std::vector<std::pair<std::string, BufferEnd>> result;
        for (const auto& entry : log.entries())
            result.emplace_back(entry.name, entry.end);
        return result;
    }
};

TEST_F(OfflineEngine, PlacesEveryFrameAtItsSampleTimeWithSilenceInTheGapsWhateverTheBlockSize) {
    for (std::size_t block : {1u, 7u, 333u, 480u, 4096u}) {
        SCOPED_TRACE("block " + std::to_string(block));
        node->stop();
        auto a = rampBuffer(300, 1);
        auto b = rampBuffer(200, 1001);
        auto c = rampBuffer(50, 5001);
        auto d = rampBuffer(10, 7001);
        schedule(a, 100, "a");
        schedule(b, 400, "b"); // directly after a: no gap, no overlap
        schedule(c, 1000, "c");
        schedule(d, std::nullopt, "d"); // no time: right after the last one
        node->play();
        auto rendered = renderInBlocks(1200, block);

        auto expected = testing::silence(1200);
        testing::place(expected, *a, 100);
        testing::place(expected, *b, 400);
        testing::place(expected, *c, 1000);
        testing::place(expected, *d, 1050);
        EXPECT_EQ(rendered.channels, expected.channels);
        EXPECT_EQ(node->playerSampleTime(), 1200);
    }
    engine.waitForNotifications();
    auto entries = log.entries();
    ASSERT_EQ(entries.size(), 20u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, std::string(1, static_cast<char>('a' + i % 4)));
        EXPECT_EQ(entries[i].end, BufferEnd::completed);
    }
}

TEST_F(OfflineEngine, SampleTimeAdvancesOnlyWhilePlayingAndRestartsAtZeroAfterStop) {
    auto a = rampBuffer(100, 1);
    schedule(a, 0, "a");
    EXPECT_EQ(node->playerSampleTime(), std::nullopt);
    EXPECT_EQ(engine.renderOffline(50).channels, testing::silence(50).channels) << "nothing before play";
    EXPECT_EQ(node->playerSampleTime(), std::nullopt);

    node->play();
    auto first = engine.renderOffline(30);
    EXPECT_EQ(node->playerSampleTime(), 30);
    node->pause();
    EXPECT_FALSE(node->isPlaying());
    EXPECT_EQ(engine.renderOffline(40).channels, testing::silence(40).channels) << "silence while paused";
    EXPECT_EQ(node->playerSampleTime(), 30) << "frozen while paused";
    node->play();
    auto second = engine.renderOffline(30);
    EXPECT_EQ(node->playerSampleTime(), 60);

    auto expected = testing::silence(60);
    testing::place(expected, *a, 0, 0, 60);
    testing::append(first, second);
    EXPECT_EQ(first.channels, expected.channels) << "pausing loses and repeats nothing";

    node->stop();
    EXPECT_EQ(node->playerSampleTime(), std::nullopt);
    EXPECT_EQ(outcomes(), (std::vector<std::pair<std::string, BufferEnd>>{{"a", BufferEnd::dropped}}));

    auto b = rampBuffer(20, 501);
    schedule(b, 0, "b");
    node->play();
    EXPECT_EQ(node->playerSampleTime(), 0);
    auto restarted = engine.renderOffline(20);
    EXPECT_EQ(restarted.channels, b->channels) << "the new timeline starts at 0";
}

TEST_F(OfflineEngine, AnInterruptingBufferReplacesEverythingFromItsStartWithoutGapOrRepeat) {
    struct Case {
        const char* name;
        std::int64_t renderedBefore; // frames already rendered when it comes
        std::int64_t splice;         // its start time
        BufferEnd aEnd, bEnd;
    };
    // a: frames 0..999, b: 1000..1999, c (the interrupting one): 500 frames.
    const std::vector<Case> cases = {
        {"inside a: a is cut, b dropped", 300, 600, BufferEnd::completed, BufferEnd::dropped},
        {"at the edge of a and b", 300, 1000, BufferEnd::completed, BufferEnd::dropped},
        {"inside b: b is cut", 300, 1500, BufferEnd::completed, BufferEnd::completed},
        {"at a's very start: both dropped", 0, 0, BufferEnd::dropped, BufferEnd::dropped},
        {"already past: c's late frames are skipped", 300, 200, BufferEnd::completed, BufferEnd::dropped},
        {"after everything: a gap of silence", 300, 2500, BufferEnd::completed, BufferEnd::completed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        node->stop();
        engine.waitForNotifications();
        CompletionLog caseLog;
        auto a = rampBuffer(1000, 1);
        auto b = rampBuffer(1000, 1001);
        auto splice = rampBuffer(500, 9001);
        node->scheduleBuffer(a, 0, false, CompletionPoint::rendered, caseLog.completion("a"));
        node->scheduleBuffer(b, 1000, false, CompletionPoint::rendered, caseLog.completion("b"));
        node->play();
        auto rendered = engine.renderOffline(static_cast<std::size_t>(c.renderedBefore));
        node->scheduleBuffer(splice, c.splice, true, CompletionPoint::rendered, caseLog.completion("c"));
        testing::append(rendered, engine.renderOffline(3000 - static_cast<std::size_t>(c.renderedBefore)));

        auto expected = testing::silence(3000);
        for (std::int64_t t = 0; t < 3000; ++t) {
            auto at = static_cast<std::size_t>(t);
            bool old = t < c.renderedBefore || t < c.splice;
            if (old && t < 2000) {
                testing::place(expected, t < 1000 ? *a : *b, at, static_cast<std::size_t>(t % 1000), 1);
            } else if (!old && t >= c.splice && t < c.splice + 500) {
                testing::place(expected, *splice, at, static_cast<std::size_t>(t - c.splice), 1);
            }
        }
        EXPECT_EQ(rendered.channels, expected.channels);
        engine.waitForNotifications();
        std::optional<BufferEnd> aEnd, bEnd, spliceEnd;
        for (const auto& entry : caseLog.entries()) {
            if (entry.name == "a") aEnd = entry.end;
            if (entry.name == "b") bEnd = entry.end;
            if (entry.name == "c") spliceEnd = entry.end;
        }
        EXPECT_EQ(aEnd, c.aEnd);
        EXPECT_EQ(bEnd, c.bEnd);
        EXPECT_EQ(spliceEnd, BufferEnd::completed);
    }
}

TEST_F(OfflineEngine, VolumeScalesEverySampleFromTheNextBlockAndNodesMix) {
    auto other = engine.makePlayerNode();
    auto a = rampBuffer(200, 1);
    auto b = rampBuffer(200, 10001);
    schedule(a, 0, "a");
    other->scheduleBuffer(b, 50, false, CompletionPoint::rendered, log.completion("b"));
    node->play();
    other->play();
    node->setVolume(0.5f);
    auto rendered = engine.renderOffline(100);
    node->setVolume(0.25f);
    testing::append(rendered, engine.renderOffline(200));

    for (std::size_t t = 0; t < 300; ++t) {
        float mine = t < 200 ? a->channels[0][t] * (t < 100 ? 0.5f : 0.25f) : 0.0f;
        float theirs = t >= 50 && t < 250 ? b->channels[0][t - 50] : 0.0f;
        ASSERT_EQ(rendered.channels[0][t], mine + theirs) << "frame " << t;
        ASSERT_EQ(rendered.channels[1][t], -(mine + theirs)) << "frame " << t;
    }
}

TEST_F(OfflineEngine, CompletionsRunInOrderOnOneThreadOutsideTheNodesLock) {
    // Each completion calls back into the node: under the node's lock that
    // would deadlock.
    std::vector<std::optional<std::int64_t>> timesSeen;
    std::mutex seenMutex;
    const std::vector<CompletionPoint> points = {CompletionPoint::consumed,   CompletionPoint::rendered,
                                                 CompletionPoint::playedBack, CompletionPoint::rendered,
                                                 CompletionPoint::consumed,   CompletionPoint::playedBack};
    for (std::size_t i = 0; i < points.size(); ++i) {
        auto record = log.completion(std::to_string(i));
        node->scheduleBuffer(rampBuffer(64, static_cast<float>(i * 100)), static_cast<std::int64_t>(i * 64),
                             false, points[i], [this, record, &timesSeen, &seenMutex](BufferEnd end) {
                                 std::lock_guard lock(seenMutex);
                                 timesSeen.push_back(node->playerSampleTime());
                                 node->scheduleBuffer(std::make_shared<PCMBuffer>(), 0, false,
                                                      CompletionPoint::consumed, nullptr);
                                 record(end);
                             });
    }
    node->play();
    for (int i = 0; i < 384 / 48; ++i)
        engine.renderOffline(48);
    ASSERT_TRUE(log.waitFor(points.size()));
    EXPECT_EQ(log.names(), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    auto entries = log.entries();
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.thread, entries.front().thread);
        EXPECT_NE(entry.thread, std::this_thread::get_id());
        EXPECT_EQ(entry.end, BufferEnd::completed);
    }
    std::lock_guard lock(seenMutex);
    for (const auto& time : timesSeen)
        EXPECT_TRUE(time.has_value());
}

TEST_F(OfflineEngine, RendersOnlyWhileRunningAndInTheManualMode) {
    engine.stop();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_THROW(engine.renderOffline(10), std::logic_error);
    engine.start();
    EXPECT_EQ(engine.renderOffline(10).frameLength(), 10u);
}

// A pipeline holding the engine may let go of it inside a notification: the
// engine then ends on its own notification thread, which must not try to join
// itself, and a notification queued behind must not touch the gone engine.
TEST(AudioEngineLifetime, TheLastHolderMayLetGoOnTheNotificationThread) {
    auto output = std::make_unique<OfflineOutput>();
    auto* device = output.get();
    auto engine = std::make_shared<AudioEngine>(std::move(output));
    engine->start();
    std::weak_ptr<AudioEngine> weak = engine;
    std::promise<void> mainLetGo;
    std::shared_future<void> letGo = mainLetGo.get_future().share();
    std::promise<void> ended;
    auto holder = std::make_shared<std::shared_ptr<AudioEngine>>(engine);
    engine->setConfigurationChangeHandler([holder, letGo, &ended] {
        letGo.wait();
        if (!*holder) return;
        holder->reset();
        ended.set_value();
    });
    device->changeDevice();
    device->changeDevice();
    engine.reset();
    mainLetGo.set_value();
    ended.get_future().wait();
    EXPECT_TRUE(weak.expired());
}

} // namespace
} // namespace sorvalind
