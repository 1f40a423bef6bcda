// The controller with sound: the real pipeline plays generated songs from
// the loopback server into the offline output while the test renders, and
// the queue, the published state, the store and the server's requests
// follow what is heard.

#include "controller_fixture.h"

#include "library/json_coding.h"
#include "platform/curl/query_item.h"

#include <algorithm>
#include <thread>

namespace sorvalind::testing {
namespace {

using Ids = std::vector<std::string>;

class ControllerPlaybackTest : public ControllerTest {
protected:
    // Every "stream" request's parameters of interest, in order.
    std::vector<std::map<std::string, std::string>> streams() const {
        std::vector<std::map<std::string, std::string>> found;
        for (const auto& request : server.requests()) {
            if (request.restMethod != "stream") continue;
            std::map<std::string, std::string> items;
            for (const char* name : {"id", "format", "maxBitRate", "timeOffset"})
                if (auto value = request.param(name)) items[name] = *value;
            found.push_back(std::move(items));
        }
        return found;
    }
    bool playingAt(const std::string& id, double seconds) const {
        return currentID() == id && !controller->buffering().value() &&
               controller->position().value() >= seconds;
    }
};

TEST_F(ControllerPlaybackTest, AListPlaysThroughGaplesslyIntoTheHistoryAndStops) {
    controller->play({servedSong("a", 1), servedSong("b", 12), servedSong("c", 1)}, std::nullopt, 0,
                     std::nullopt);
    playUntil([&] { return playingAt("a", 0.5); });
    EXPECT_TRUE(controller->isPlaying().value());
    ASSERT_TRUE(nowPlaying.latest());
    EXPECT_TRUE(nowPlaying.latest()->playing);

    // The pipeline chains b itself; the queue follows it.
    playUntil([&] { return currentID() == "b"; });
    EXPECT_EQ(songIDs(controller->queue().value().history), (Ids{"a"}));
    EXPECT_LT(controller->position().value(), 1);
    settle();
    EXPECT_EQ(fromJSONText<QueueState>(*stored("queue")).current->song.id, "b");

    // More than 10 s into b the position is saved on its own.
    playUntil([&] { return playingAt("b", 10.5); });
    settle();
    const double saved = std::stod(*stored("position"));
    EXPECT_GT(saved, 10);
    EXPECT_LE(saved, 10.5);

    playUntil([&] { return !controller->queue().value().current; });
    EXPECT_EQ(songIDs(controller->queue().value().history), (Ids{"a", "b", "c"}));
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_EQ(controller->position().value(), 0);
    EXPECT_EQ(controller->error().value(), std::nullopt);
    settle();
    EXPECT_FALSE(nowPlaying.latest());
}

TEST_F(ControllerPlaybackTest, SeeksReadRangesOfTheOriginalOrAskTheServerForAnOffset) {
    controller->play({servedSong("f", 4)}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt("f", 0.2); });
    controller->seek(2.5);
    playUntil([&] { return playingAt("f", 2.5); });
    EXPECT_LT(controller->position().value(), 3);
    for (const auto& stream : streams()) // byte ranges of the stored file, never an offset
        EXPECT_EQ(stream,
                  (std::map<std::string, std::string>{{"id", "f"}, {"format", "raw"}, {"maxBitRate", "0"}}));

    // A transcoded stream starts at the server's whole second, below the bit
    // rate of an MP3 original.
    controller->setSupportsTranscodeOffset(true);
    controller->setStreamingQuality(DownloadQuality::mp3_320);
    controller->play({servedSong("m", 4, "mp3")}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt("m", 0.2); });
    server.clearRequests();
    controller->seek(1.5);
    playUntil([&] { return playingAt("m", 1.5); });
    EXPECT_LT(controller->position().value(), 2.5);
    ASSERT_FALSE(streams().empty());
    EXPECT_EQ(streams().back(),
              (std::map<std::string, std::string>{
                  {"id", "m"}, {"format", "mp3"}, {"maxBitRate", "127"}, {"timeOffset", "1"}}));
    EXPECT_EQ(controller->error().value(), std::nullopt);

    // A server without offsets refuses a seek the user asked for; the queue
    // and position stay for another try.
    controller->setSupportsTranscodeOffset(false);
    controller->seek(2);
    playUntil([&] { return controller->error().value().has_value(); });
    EXPECT_EQ(*controller->error().value(),
              "Your server cannot seek transcoded audio. Select Original quality or download this song.");
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_EQ(currentID(), "m");
    EXPECT_EQ(controller->position().value(), 2);
}

TEST_F(ControllerPlaybackTest, AFailedSongKeepsTheQueueAndPlayRetriesIt) {
    const auto songs = std::vector<Song>{servedSong("a", 1), servedSong("b", 1)};
    server.injectFault(loopback::FakeFault::status(500), 1, "stream");
    controller->play(songs, std::nullopt, 0, std::nullopt);
    playUntil([&] { return controller->error().value().has_value(); });
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_FALSE(controller->buffering().value());
    EXPECT_EQ(currentID(), "a");
    EXPECT_EQ(upcomingIDs(), (Ids{"b"}));

    controller->toggle();
    EXPECT_EQ(controller->error().value(), std::nullopt);
    playUntil([&] { return playingAt("a", 0.3); });
}

TEST_F(ControllerPlaybackTest, ARestoredStreamResumesOnAServerWithoutOffsetsByDiscarding) {
    // MP3 streaming, and a server that cannot start a stream at an offset.
    preferences.setString("streamingQuality", "mp3_192");
    shutDown(controller);
    Song song = servedSong("a", 4);
    Song long_ = servedSong("long", 4);
    long_.duration = 900; // listed longer than its audio
    for (auto [entry, position] :
         std::vector<std::pair<Song, std::string>>{{song, "2.5"}, {long_, "700.0"}}) {
        QueueState queue;
        queue.replace({entry}, std::nullopt, 0);
        onStore([&] { repository->savePlayback(toJSONText(queue), 0); });
        onStore([&] { repository->setState("position", position); });
        server.clearRequests();
        controller = makeController();
        controller->configure(api);
        TaskHandle restored = controller->restore();
        test::driveUntil(main, [&] { return restored.isFinished(); });

        controller->toggle();
        const double resumed = entry.id == "a" ? 2.5 : 0; // past 600 s the song starts over
        playUntil([&] { return playingAt(entry.id, resumed + 0.2); });
        EXPECT_EQ(controller->error().value(), std::nullopt);
        EXPECT_LT(controller->position().value(), resumed + 1);
        ASSERT_FALSE(streams().empty());
        EXPECT_EQ(streams().back(), (std::map<std::string, std::string>{
                                        {"id", entry.id}, {"format", "mp3"}, {"maxBitRate", "192"}}));
        shutDown(controller);
    }
}

TEST_F(ControllerPlaybackTest, RepeatOneRepeatsTheEntryAndReportsEveryListen) {
    controller->setSendListeningEvents(true);
    controller->cycleRepeat();
    controller->cycleRepeat();
    controller->play({servedSong("a", 1), servedSong("b", 1)}, std::nullopt, 0, std::nullopt);
    const std::string entry = controller->queue().value().current->id;
    auto notices = [&] {
        std::size_t count = 0;
        for (const auto& request : server.requests())
            if (request.restMethod == "scrobble" && request.param("submission") == "false") ++count;
        return count;
    };
    playUntil([&] { return notices() >= 3; });
    EXPECT_EQ(controller->queue().value().current->id, entry);
    EXPECT_TRUE(controller->queue().value().history.empty());
    EXPECT_EQ(upcomingIDs(), (Ids{"b"}));
}

TEST_F(ControllerPlaybackTest, EditsWhilePlayingChangeWhatFollowsWithoutInterrupting) {
    controller->play({servedSong("a", 2), servedSong("b", 1), servedSong("c", 1)}, std::nullopt, 0,
                     std::nullopt);
    playUntil([&] { return playingAt("a", 0.3); });
    const std::string first = controller->queue().value().current->id;
    controller->toggleShuffle(); // the fixed shuffle puts c before b
    controller->enqueue({servedSong("m", 1)}, false);
    EXPECT_EQ(upcomingIDs(), (Ids{"m", "c", "b"}));
    settle();
    EXPECT_EQ(controller->error().value(), std::nullopt);
    playUntil([&] { return currentID() != "a"; });
    EXPECT_EQ(currentID(), "m");
    playUntil([&] { return currentID() != "m"; });
    EXPECT_EQ(currentID(), "c");
    EXPECT_EQ(controller->queue().value().history.front().id, first);

    // Repeat all: after the last song the history plays again.
    controller->cycleRepeat();
    playUntil([&] { return currentID() == "a"; });
    EXPECT_TRUE(controller->isPlaying().value());
}

TEST_F(ControllerPlaybackTest, TheDisplayGetsTheArtworkOfTheSongThatSoundsAndReportsFollowTheSwitch) {
    std::vector<std::pair<std::string, std::function<void(ArtworkBytes)>>> asked;
    controller->setArtworkProvider([&](const Song& song, std::function<void(ArtworkBytes)> deliver) {
        asked.emplace_back(song.id, std::move(deliver));
    });
    auto notices = [&] { return server.requestCount("scrobble"); };
    controller->play({servedSong("a", 1), servedSong("b", 2)}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt("b", 0.3); });
    ASSERT_EQ(asked.size(), 2u); // once per song, not per event
    EXPECT_EQ(asked[0].first, "a");
    EXPECT_EQ(asked[1].first, "b");

    // A late answer for a song that no longer sounds is dropped.
    auto cover =
        std::make_shared<const std::vector<std::uint8_t>>(std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF});
    std::thread([deliver = asked[0].second, cover] { deliver(cover); }).join();
    main.runUntilIdle();
    EXPECT_FALSE(nowPlaying.latest()->artwork);
    std::thread([deliver = asked[1].second, cover] { deliver(cover); }).join();
    main.runUntilIdle();
    ASSERT_TRUE(nowPlaying.latest()->artwork);
    EXPECT_EQ(*nowPlaying.latest()->artwork, *cover);

    // Switching reports on while a song plays announces it at once.
    EXPECT_EQ(notices(), 0u);
    controller->setSendListeningEvents(true);
    test::driveUntil(main, [&] { return notices() == 1; });
    const auto requests = server.requests();
    const auto scrobble = std::find_if(requests.begin(), requests.end(), [](const loopback::FakeRequest& r) {
        return r.restMethod == "scrobble";
    });
    EXPECT_EQ(scrobble->param("id"), "b");
    EXPECT_EQ(scrobble->param("submission"), "false");
}

TEST_F(ControllerPlaybackTest, NothingOfARunReachesTheControllerAfterShutdown) {
    controller->play({servedSong("a", 4)}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt("a", 0.5); });
    settle();
    const auto savedQueue = stored("queue");
    TaskHandle done = controller->shutdown();
    for (int round = 0; round < 10; ++round) {
        if (engine->isRunning()) engine->renderOffline(4800);
        main.runUntilIdle();
    }
    test::driveUntil(main, [&] { return done.isFinished(); });
    for (int round = 0; round < 10; ++round) {
        if (engine->isRunning()) engine->renderOffline(4800);
        main.runUntilIdle();
    }
    EXPECT_FALSE(controller->queue().value().current);
    EXPECT_EQ(controller->position().value(), 0);
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_FALSE(nowPlaying.latest());
    EXPECT_EQ(stored("queue"), savedQueue);
}

} // namespace
} // namespace sorvalind::testing
