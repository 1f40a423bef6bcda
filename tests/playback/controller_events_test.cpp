// The controller meeting the pipeline's events out of step with the queue:
// a song that begins after the user removed it from the queue, one that
// neither the queue nor the pipeline knows any more by the time its event
// arrives, and two seeks before the first one's reload has run. The sound
// comes from the real pipeline on the offline output; the test renders it
// and decides when the main actor hears of it.

#include "controller_fixture.h"

#include "library/json_coding.h"
#include "playback_test_support.h"

#include <chrono>
#include <thread>

namespace sorvalind::testing {
namespace {

using Ids = std::vector<std::string>;

class ControllerEventsTest : public ControllerTest {
protected:
    bool playingAt(const std::string& id, double seconds) const {
        return currentID() == id && !controller->buffering().value() &&
               controller->position().value() >= seconds;
    }
    std::string upcomingEntry(std::size_t index) const {
        return controller->queue().value().upcoming().at(index).id;
    }
    std::int64_t rendered() const { return pipeline->node()->playerSampleTime().value_or(0); }
    // Runs the main actor, rendering nothing, until the run's songs (`total`
    // frames) are all scheduled.
    void waitScheduled(std::int64_t total) {
        test::driveUntil(
            main, [&] { return pipeline->node()->scheduledFrames() + rendered() >= total; },
            std::chrono::seconds(60));
    }
    // Renders up to frame `until` of the run while the main actor hears
    // nothing: the pipeline's events wait in its queue until the test runs it.
    void renderUnheard(std::int64_t until) {
        ASSERT_LT(rendered(), until);
        engine->renderOffline(static_cast<std::size_t>(until - rendered()));
        engine->waitForNotifications();
    }
    std::size_t notices(const std::string& id) const {
        std::size_t count = 0;
        for (const auto& request : server.requests())
            if (request.restMethod == "scrobble" && request.param("submission") == "false" &&
                request.param("id") == id)
                ++count;
        return count;
    }
};

TEST_F(ControllerEventsTest, ASongThatBeginsAfterItsRemovalBecomesCurrentFromThePipeline) {
    controller->play({servedSong("a", 1), servedSong("b", 1)}, std::nullopt, 0, std::nullopt);
    const std::string b = upcomingEntry(0);
    waitScheduled(48000 + 48000);

    // a plays and b begins in the pipeline; before the main actor hears of
    // it the user removes b from the queue, so only the pipeline still holds
    // its entry.
    renderUnheard(48000 + 9600);
    controller->remove(b);
    EXPECT_EQ(upcomingIDs(), Ids{});
    ASSERT_TRUE(main.runUntil([&] { return currentID() == "b"; }));
    EXPECT_EQ(controller->queue().value().current->id, b);
    EXPECT_EQ(songIDs(controller->queue().value().history), Ids{"a"});
    EXPECT_FALSE(controller->buffering().value());
    settle();
    EXPECT_EQ(fromJSONText<QueueState>(stored("queue").value_or("null")).current->id, b);
}

TEST_F(ControllerEventsTest, ASongNeitherTheQueueNorThePipelineHoldsChangesNothing) {
    controller->setSendListeningEvents(true);
    controller->play({servedSong("a", 1), servedSong("b", 0.25), servedSong("c", 1)}, std::nullopt, 0,
                     std::nullopt);
    const std::string b = upcomingEntry(0), c = upcomingEntry(1);
    waitScheduled(48000 + 12000 + 48000);
    renderUnheard(9600);
    test::driveUntil(main, [&] { return playingAt("a", 0.1) && notices("a") == 1; });

    // b and then c begin unheard; b leaves the queue, and the pipeline lets
    // go of every entry (as a new run would) before the events arrive.
    renderUnheard(48000 + 12000 + 9600);
    controller->remove(b);
    pipeline->stop();
    // The stop runs on the pipeline's control queue, which reports nothing.
    for (int round = 0; pipeline->entry(b) || pipeline->entry(c); ++round) {
        ASSERT_LT(round, 30000) << "the pipeline never took the stop";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::vector<std::pair<std::string, bool>> seen; // every queue and buffering change
    auto queueChanges = controller->queue().subscribe([&](const QueueState& queue) {
        seen.emplace_back(queue.current ? queue.current->song.id : "", controller->buffering().value());
    });
    auto bufferingChanges =
        controller->buffering().subscribe([&](bool buffering) { seen.emplace_back(currentID(), buffering); });
    seen.clear();

    // c is still in the queue: its began, which comes after b's, moves the
    // queue to it. b's began before it changed nothing at all.
    ASSERT_TRUE(main.runUntil([&] { return currentID() == "c"; }));
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{{"c", false}}));
    EXPECT_EQ(songIDs(controller->queue().value().history), Ids{"a"});
    // Nor was a announced again as if it had begun once more.
    test::driveUntil(main, [&] { return notices("c") == 1; });
    EXPECT_EQ(notices("a"), 1u);
    EXPECT_EQ(notices("b"), 0u);
}

TEST_F(ControllerEventsTest, OfTwoQuickSeeksOnlyTheSecondStartsThePipeline) {
    controller->setSupportsTranscodeOffset(true);
    controller->setStreamingQuality(DownloadQuality::mp3_320);
    controller->play({servedSong("m", 4, "mp3")}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt("m", 0.2); });
    server.clearRequests();

    controller->seek(1.5);
    controller->seek(3.2);
    playUntil([&] { return playingAt("m", 3.3); });
    // One stream, from the second seek's whole second; the first seek's
    // reload never reached the pipeline.
    std::vector<std::string> offsets;
    for (const auto& request : server.requests())
        if (request.restMethod == "stream") offsets.push_back(request.param("timeOffset").value_or("none"));
    EXPECT_EQ(offsets, Ids{"3"});
    EXPECT_LT(controller->position().value(), 4);
    EXPECT_EQ(controller->error().value(), std::nullopt);
}

} // namespace
} // namespace sorvalind::testing
