// The pipeline on the clocked null output: completions come when a frame has
// been played back, after the output's latency, and an underrun restarts a
// little after the player's time. Real time, with bounds only against a hang,
// and one case on a virtual clock for what happens within that lead.

#include "coded_songs.h"
#include "pipeline_rig.h"

#include "audio/null_output.h"
#include "http/http_session.h"
#include "platform/crypto/digest.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "support/media_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>

namespace sorvalind::testing {
namespace {

using namespace std::chrono_literals;

struct ClockedRig {
    explicit ClockedRig(Executor& ticks)
        : engine(std::make_shared<AudioEngine>(std::make_unique<NullOutput>(ticks, 50ms, 10ms))),
          pipeline(AudioPipeline::make(engine, std::make_shared<HttpSession>())) {
        pipeline->setEventHandler(log.handler());
    }
    ~ClockedRig() { pipeline.reset(); }

    std::shared_ptr<AudioEngine> engine;
    std::shared_ptr<AudioPipeline> pipeline;
    EventLog log;
};

struct RealTime : ::testing::Test {
    SerialQueue ticks{"test-ticks"};
    ClockedRig rig{ticks};
    std::string token = randomUUID();
};

std::vector<double> positionsOf(const std::vector<Event>& events, const std::string& id) {
    std::vector<double> positions;
    for (const auto& event : events)
        if (event.kind == Kind::position && event.entryId == id) positions.push_back(event.seconds);
    return positions;
}

TEST_F(RealTime, SongsFollowEachOtherAsTheyArePlayedBack) {
    const std::int64_t lengthA = 30011, lengthB = 20011;
    auto a = songEntry(0), b = songEntry(1);
    rig.pipeline->start({fileSource(a, codedFlac(0, lengthA)), fileSource(b, codedFlac(1, lengthB))}, 0, true,
                        token, false);
    ASSERT_TRUE(rig.log.waitFor(token, Event::ended()));
    auto events = rig.log.of(token);
    EXPECT_EQ(events.back(), Event::ended());
    auto positionsA = positionsOf(events, a.id), positionsB = positionsOf(events, b.id);
    ASSERT_FALSE(positionsA.empty());
    ASSERT_FALSE(positionsB.empty());
    EXPECT_TRUE(std::is_sorted(positionsA.begin(), positionsA.end()));
    EXPECT_NEAR(positionsA.back(), static_cast<double>(lengthA) / 48000, 1e-9);
    EXPECT_NEAR(positionsB.back(), static_cast<double>(lengthB) / 48000, 1e-9);
    EXPECT_LT(indexOf(events, Event::began(a.id)), indexOf(events, Event::began(b.id)));
    EXPECT_LT(indexOf(events, Event::position(a.id, positionsA.back())), indexOf(events, Event::began(b.id)));
    for (const auto& event : events)
        EXPECT_FALSE(event.kind == Kind::buffering && event.buffering) << "no underrun";
}

TEST_F(RealTime, RepeatOnePlaysTheSongAgainUntilStopped) {
    auto a = songEntry(0);
    rig.pipeline->start({fileSource(a, codedFlac(0, 9001))}, 0, true, token, true);
    ASSERT_TRUE(rig.log.waitFor(token, Event::began(a.id), 3));
    rig.pipeline->stop();
    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::ended()), 0u);
    EXPECT_GE(count(events, Event::position(a.id, 9001.0 / 48000)), 2u);
}

TEST_F(RealTime, ASpliceWhilePlayingReplacesTheNextSong) {
    auto a = songEntry(0), b = songEntry(1), c = songEntry(2);
    auto sourceA = fileSource(a, codedFlac(0, 48000));
    rig.pipeline->start({sourceA, fileSource(b, codedFlac(1, 9001))}, 0, true, token, false);
    ASSERT_TRUE(rig.log.waitFor(token, Event::began(a.id)));
    rig.pipeline->updateUpcoming({sourceA, fileSource(c, codedFlac(2, 9001))}, token, false);
    ASSERT_TRUE(rig.log.waitFor(token, Event::ended()));
    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::began(b.id)), 0u);
    EXPECT_EQ(count(events, Event::began(c.id)), 1u);
    EXPECT_NEAR(positionsOf(events, a.id).back(), 1.0, 1e-9);
}

TEST_F(RealTime, AStallIsReportedAndPlaybackGoesOn) {
    const std::int64_t length = 96000;
    loopback::FakeSubsonicServer server;
    loopback::FakeMedia media;
    {
        std::ifstream in(codedFlac(0, length), std::ios::binary);
        media.original.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    server.setMedia("a", media);
    std::promise<void> opened;
    std::shared_future<void> open = opened.get_future().share();
    server.setMethod("stream", [open, standard = server.method("stream")](
                                   const loopback::FakeRequest& request, httplib::Response& res) {
        auto range = request.header("Range");
        if (range && range->starts_with("bytes=") && std::stoll(range->substr(6)) >= 131072) open.wait();
        standard(request, res);
    });
    auto a = songEntry(0);
    rig.pipeline->start(
        {AudioPipeline::Source(a,
                               [&](double) {
                                   return AudioPipeline::ResolvedSource(
                                       test::mediaRequest(server, "stream", {{"id", "a"}, {"format", "raw"}}),
                                       false);
                               })},
        0, true, token, false);
    bool dry = rig.log.waitFor(token, Event::bufferingChanged(a.id, true));
    opened.set_value();
    ASSERT_TRUE(dry);
    ASSERT_TRUE(rig.log.waitFor(token, Event::ended()));
    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::bufferingChanged(a.id, true)), 1u);
    EXPECT_LT(indexOf(events, Event::bufferingChanged(a.id, true)),
              events.size() - 1 -
                  static_cast<std::size_t>(
                      std::find(events.rbegin(), events.rend(), Event::bufferingChanged(a.id, false)) -
                      events.rbegin()));
    // Nothing played twice, nothing skipped: one position per buffer, rising
    // to the song's length.
    auto positions = positionsOf(events, a.id);
    EXPECT_TRUE(std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<>()) ==
                positions.end());
    EXPECT_NEAR(positions.back(), static_cast<double>(length) / 48000, 1e-9);
}

// After an underrun at a song's end, the next song restarts 0.1 s after the
// player's time. A splice inside that lead acts on the song that ran dry:
// nothing of it remains, and what carries it to its end reports where it
// ended, not position 0 (which the owner would save as the position).
TEST(VirtualTime, ASpliceWithinTheUnderrunLeadKeepsTheLastPosition) {
    VirtualClock clock;
    ManualExecutor ticks(clock);
    ClockedRig rig(ticks);
    const std::int64_t length = 20011;
    auto a = songEntry(0), b = songEntry(1), c = songEntry(2);
    std::promise<void> resolved;
    std::shared_future<void> mayResolve = resolved.get_future().share();
    auto sourceA = fileSource(a, codedFlac(0, length));
    AudioPipeline::Source late(b, [mayResolve, path = codedFlac(1, 9001)](double) {
        mayResolve.wait();
        return AudioPipeline::ResolvedSource::file(path);
    });
    auto token = randomUUID();
    auto play = [&](SteadyDuration span) {
        for (auto t = SteadyDuration::zero(); t < span; t += 10ms) {
            clock.advance(10ms);
            ticks.runUntilIdle();
        }
    };
    rig.pipeline->start({sourceA, late}, 0, true, token, false);
    ASSERT_TRUE(rig.log.waitFor(token, Event::prepared(a.id)));
    play(1s);
    ASSERT_TRUE(rig.log.waitFor(token, Event::bufferingChanged(a.id, true)));
    resolved.set_value();
    ASSERT_TRUE(rig.log.waitFor(token, Event::buffered(b.id)));
    rig.pipeline->updateUpcoming({sourceA, fileSource(c, codedFlac(2, 9001))}, token, false);
    ASSERT_TRUE(rig.log.waitFor(token, Event::prepared(c.id)));
    play(1s);
    ASSERT_TRUE(rig.log.waitFor(token, Event::ended()));

    auto events = rig.log.of(token);
    auto positions = positionsOf(events, a.id);
    EXPECT_EQ(std::count(positions.begin(), positions.end(), 0.0), 0);
    EXPECT_EQ(count(events, Event::position(a.id, positions.back())), 2u) << "the last buffer, then the end";
    EXPECT_NEAR(positions.back(), static_cast<double>(length) / 48000, 1e-9);
    EXPECT_EQ(count(events, Event::began(b.id)), 0u);
    EXPECT_EQ(count(events, Event::began(c.id)), 1u);
}

} // namespace
} // namespace sorvalind::testing
