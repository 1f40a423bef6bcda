// The controller's transport and queue operations, the offline rules, the
// settings, the remote commands, and saving, restoring and shutting down.
// Nothing here renders audio: what is checked is the queue, the published
// state, the store and the system services.

#include "controller_fixture.h"

#include "library/json_coding.h"
#include "playback_test_support.h"

#include <cmath>

namespace sorvalind::testing {
namespace {

using Ids = std::vector<std::string>;

class ControllerQueueTest : public ControllerTest {
protected:
    std::vector<Song> served(std::initializer_list<const char*> ids) {
        std::vector<Song> songs;
        for (const char* id : ids)
            songs.push_back(servedSong(id));
        return songs;
    }
    QueueState storedQueue() { return fromJSONText<QueueState>(stored("queue").value_or("null")); }
    const QueueEntry& upcomingEntry(const std::string& songID) {
        for (const auto& entry : controller->queue().value().manual)
            if (entry.song.id == songID) return entry;
        for (const auto& entry : controller->queue().value().context)
            if (entry.song.id == songID) return entry;
        throw std::logic_error("no such entry");
    }
};

TEST_F(ControllerQueueTest, PlayFromARowReplacesTheQueueSavesItAndShowsTheSong) {
    controller->play(served({"a", "b", "c", "d", "e"}), std::nullopt, 2, std::nullopt);
    EXPECT_EQ(currentID(), "c");
    EXPECT_EQ(songIDs(controller->queue().value().history), (Ids{"a", "b"}));
    EXPECT_EQ(upcomingIDs(), (Ids{"d", "e"}));
    EXPECT_TRUE(controller->isPlaying().value());
    EXPECT_TRUE(controller->buffering().value());
    settle();
    EXPECT_EQ(storedQueue(), controller->queue().value());
    EXPECT_EQ(stored("position"), "0.0");
    ASSERT_TRUE(nowPlaying.latest());
    EXPECT_EQ(nowPlaying.latest()->title, "Song c");
    EXPECT_EQ(nowPlaying.latest()->duration, 4);
    EXPECT_TRUE(commands.isEnabled(RemoteCommand::nextTrack));

    // An empty list empties the queue and plays nothing.
    controller->play({}, std::nullopt, std::nullopt, std::nullopt);
    settle();
    EXPECT_FALSE(controller->queue().value().current);
    EXPECT_TRUE(controller->queue().value().history.empty());
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_FALSE(controller->buffering().value());
    EXPECT_FALSE(nowPlaying.latest());
    EXPECT_FALSE(commands.isEnabled(RemoteCommand::nextTrack));
}

TEST_F(ControllerQueueTest, NextAndPreviousFollowTheRepeatModeAndTheThreeSecondRule) {
    controller->play(served({"a", "b", "c"}), std::nullopt, 0, std::nullopt);
    controller->previous(); // no history: the song restarts, the queue stays
    EXPECT_EQ(currentID(), "a");
    controller->next();
    EXPECT_EQ(currentID(), "b");

    controller->cycleRepeat();
    controller->cycleRepeat();
    ASSERT_EQ(controller->queue().value().repeatMode, RepeatMode::one);
    controller->next(); // moves on and keeps repeat one
    EXPECT_EQ(currentID(), "c");
    EXPECT_EQ(controller->queue().value().repeatMode, RepeatMode::one);
    EXPECT_FALSE(controller->canGoNext());
    controller->next(); // nowhere to go: nothing happens
    EXPECT_EQ(currentID(), "c");

    controller->seek(3.0);
    controller->previous(); // at 3 s: back to the song before
    EXPECT_EQ(currentID(), "b");
    EXPECT_EQ(controller->position().value(), 0);
    controller->seek(3.01);
    controller->previous(); // past 3 s: the song restarts
    EXPECT_EQ(currentID(), "b");
    EXPECT_EQ(controller->position().value(), 0);
    settle();
}

TEST_F(ControllerQueueTest, SeeksStayWithinTheSong) {
    Song noDuration = servedSong("n");
    noDuration.duration.reset();
    controller->play({servedSong("a"), noDuration}, std::nullopt, 0, std::nullopt);
    struct Case {
        double asked;
        double reached;
    };
    for (const Case& c : std::vector<Case>{{-5, 0}, {10000, 4}, {std::nan(""), 0}, {2.5, 2.5}}) {
        controller->seek(c.asked);
        EXPECT_EQ(controller->position().value(), c.reached) << c.asked;
    }
    controller->next();
    controller->seek(2);
    EXPECT_EQ(controller->position().value(), 0); // no duration: always the start
    settle();
}

TEST_F(ControllerQueueTest, TheManualPartPlaysNextAndItsEditsAreSaved) {
    // Into an empty player under repeat one, an added song starts.
    controller->cycleRepeat();
    controller->cycleRepeat();
    controller->enqueue(served({"a", "b"}), false);
    EXPECT_EQ(currentID(), "a");
    EXPECT_TRUE(controller->isPlaying().value());
    EXPECT_EQ(controller->queue().value().repeatMode, RepeatMode::one);
    controller->cycleRepeat(); // off

    controller->enqueue(served({"m1", "m2"}), false);
    controller->enqueue(served({"n"}), true);
    EXPECT_EQ(upcomingIDs(), (Ids{"n", "b", "m1", "m2"}));
    controller->move(upcomingEntry("m2").id, upcomingEntry("n").id);
    EXPECT_EQ(upcomingIDs(), (Ids{"m2", "n", "b", "m1"}));
    controller->remove(upcomingEntry("m1").id);
    EXPECT_EQ(upcomingIDs(), (Ids{"m2", "n", "b"}));
    controller->clearManual();
    EXPECT_EQ(upcomingIDs(), (Ids{}));
    settle();
    EXPECT_EQ(storedQueue(), controller->queue().value());

    // A new metadata copy replaces the queued ones and is saved.
    controller->enqueue(served({"a"}), false);
    Song edited = servedSong("a");
    edited.title = "Edited";
    controller->updateMetadata(edited);
    settle();
    EXPECT_EQ(controller->queue().value().current->song.title, "Edited");
    EXPECT_EQ(controller->queue().value().manual.at(0).song.title, "Edited");
    EXPECT_EQ(storedQueue().current->song.title, "Edited");
}

TEST_F(ControllerQueueTest, AnEmptyListStartsAnIdleQueueThatHasSomethingToPlay) {
    // A queue played to its end: no current entry, the songs in the history.
    QueueState ended;
    ended.replace(served({"a", "b"}), std::nullopt, 0);
    ended.advance();
    ended.advance();
    ASSERT_FALSE(ended.current);
    onStore([&] { repository->savePlayback(toJSONText(ended), 0); });
    shutDown(controller);
    controller = makeController();
    controller->configure(api);
    TaskHandle restored = controller->restore();
    test::driveUntil(main, [&] { return restored.isFinished(); });
    controller->cycleRepeat(); // all: the history plays again

    // Offline with nothing downloaded nothing changes.
    controller->setOfflineAvailability(true, {});
    controller->enqueue({}, false);
    EXPECT_FALSE(controller->queue().value().current);
    EXPECT_FALSE(controller->isPlaying().value());

    controller->setOfflineAvailability(false, {});
    controller->enqueue({}, false);
    EXPECT_EQ(currentID(), "a");
    EXPECT_EQ(upcomingIDs(), (Ids{"b"}));
    EXPECT_TRUE(controller->isPlaying().value());
    settle();
    EXPECT_EQ(controller->error().value(), std::nullopt);
    EXPECT_EQ(storedQueue(), controller->queue().value());
}

TEST_F(ControllerQueueTest, OfflineOnlyDownloadedSongsEnterTheQueue) {
    const auto songs = served({"a", "b", "c", "d", "e"});
    const auto file = fixtures::flac(dir.path(), "d", {48000, 2, 16, 48000});
    record(songs[3], DownloadQuality::original, file);
    controller->setOfflineAvailability(true, {"b", "d"});

    controller->play(songs, std::nullopt, 2, std::nullopt); // c is not downloaded: nothing
    EXPECT_FALSE(controller->queue().value().current);
    controller->play(songs, std::nullopt, 3, std::nullopt);
    EXPECT_EQ(currentID(), "d");
    EXPECT_EQ(songIDs(controller->queue().value().history), (Ids{"b"}));
    settle();
    EXPECT_EQ(controller->error().value(), std::nullopt); // plays the downloaded file

    controller->enqueue({songs[0], songs[2]}, false);
    EXPECT_EQ(upcomingIDs(), (Ids{}));
    controller->enqueue(songs, true);
    EXPECT_EQ(upcomingIDs(), (Ids{"b", "d"}));

    // Listed as downloaded but its file is gone, and no client offline.
    controller->play(songs, std::nullopt, 1, std::nullopt);
    EXPECT_EQ(currentID(), "b");
    settle();
    EXPECT_EQ(controller->error().value(),
              "This song is not downloaded. Connect to your server to stream it.");
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_FALSE(controller->buffering().value());
    EXPECT_EQ(currentID(), "b"); // the queue stays
}

TEST_F(ControllerQueueTest, GoingOfflineSkipsToTheNextDownloadedSong) {
    const auto songs = served({"a", "b", "c"});
    record(songs[2], DownloadQuality::original, fixtures::flac(dir.path(), "c", {48000, 2, 16, 48000}));
    controller->play(songs, std::nullopt, 0, std::nullopt);
    controller->seek(2);
    settle();
    controller->setOfflineAvailability(true, {"c"});
    EXPECT_EQ(currentID(), "c");
    EXPECT_EQ(controller->position().value(), 0);
    settle();
    EXPECT_EQ(controller->error().value(), std::nullopt);
    EXPECT_TRUE(controller->isPlaying().value());

    // With nothing downloaded the queue runs out, silently.
    controller->setOfflineAvailability(true, {});
    settle();
    EXPECT_FALSE(controller->queue().value().current);
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_EQ(controller->error().value(), std::nullopt);
}

TEST_F(ControllerQueueTest, StopKeepsTheQueueAndStartsOverFromZero) {
    controller->play(served({"a", "b"}), std::nullopt, 1, std::nullopt);
    controller->seek(2.5);
    controller->stop();
    settle();
    EXPECT_EQ(currentID(), "b");
    EXPECT_EQ(controller->position().value(), 0);
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_EQ(stored("position"), "0.0");
    EXPECT_EQ(storedQueue(), controller->queue().value());
}

TEST_F(ControllerQueueTest, RestoreBringsBackTheQueueAndAClampedPositionWithoutPlaying) {
    controller->play(served({"a", "b"}), std::nullopt, 1, std::nullopt);
    controller->seek(2.5);
    controller->toggle(); // pause: saves queue and position
    settle();
    EXPECT_EQ(stored("position"), "2.5");
    const QueueState saved = controller->queue().value();
    shutDown(controller);
    // In memory the queue is gone; the store keeps it for the next start.
    EXPECT_FALSE(controller->queue().value().current);
    EXPECT_EQ(controller->position().value(), 0);
    EXPECT_FALSE(nowPlaying.latest());
    EXPECT_EQ(commands.targetCount(), 0u);
    EXPECT_EQ(storedQueue(), saved);

    struct Case {
        std::optional<std::string> queue; // none: as saved
        std::string position;
        double restored;
        bool hasQueue;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "2.5", 2.5, true},    {std::nullopt, "500.0", 4, true},
        {std::nullopt, "-1.0", 0, true},     {std::nullopt, "soon", 0, true},
        {std::string("{"), "2.0", 0, false},
    };
    const std::string savedText = *stored("queue");
    for (const auto& c : cases) {
        onStore([&] { repository->savePlayback(c.queue.value_or(savedText), 0); });
        onStore([&] { repository->setState("position", c.position); });
        controller = makeController();
        TaskHandle restored = controller->restore();
        test::driveUntil(main, [&] { return restored.isFinished(); });
        EXPECT_EQ(controller->queue().value().current.has_value(), c.hasQueue) << c.position;
        if (c.hasQueue) {
            EXPECT_EQ(controller->queue().value(), saved);
        }
        EXPECT_EQ(controller->position().value(), c.restored) << c.position;
        EXPECT_FALSE(controller->isPlaying().value());
        // Nothing plays yet, so the system's display shows nothing yet.
        EXPECT_FALSE(nowPlaying.latest()) << c.position;
        shutDown(controller);
    }
}

TEST_F(ControllerQueueTest, RemoteCommandsDriveTheTransportAndTheDisplayFollows) {
    controller->play(served({"a", "b"}), std::nullopt, 0, std::nullopt);
    settle();
    ASSERT_TRUE(nowPlaying.latest());
    // Rate 1 only while audio flows, not while the song is prepared.
    EXPECT_EQ(nowPlaying.latest()->playing,
              controller->isPlaying().value() && !controller->buffering().value());

    commands.send(RemoteCommand::play); // already playing: nothing
    main.runUntilIdle();
    EXPECT_TRUE(controller->isPlaying().value());
    commands.send(RemoteCommand::togglePlayPause);
    main.runUntilIdle();
    EXPECT_FALSE(controller->isPlaying().value());
    commands.send(RemoteCommand::changePlaybackPosition, 1.5);
    main.runUntilIdle();
    EXPECT_EQ(controller->position().value(), 1.5);
    EXPECT_EQ(commands.send(RemoteCommand::changePlaybackPosition), RemoteCommandStatus::commandFailed);
    commands.send(RemoteCommand::nextTrack);
    main.runUntilIdle();
    EXPECT_EQ(currentID(), "b");
    EXPECT_FALSE(commands.isEnabled(RemoteCommand::nextTrack)); // the last song, repeat off
    controller->cycleRepeat();
    EXPECT_TRUE(commands.isEnabled(RemoteCommand::nextTrack));
    settle();
}

TEST_F(ControllerQueueTest, SettingsAreReadAtStartAndWrittenOnEveryChange) {
    shutDown(controller);
    preferences.setString("streamingQuality", "mp3_256");
    preferences.setBool("sendListeningEvents", true);
    controller = makeController();
    EXPECT_EQ(controller->streamingQuality().value(), DownloadQuality::mp3_256);
    EXPECT_TRUE(controller->sendListeningEvents().value());
    shutDown(controller);

    preferences.setString("streamingQuality", "MP3_256"); // not a raw value
    controller = makeController();
    EXPECT_EQ(controller->streamingQuality().value(), DownloadQuality::original);
    controller->setStreamingQuality(DownloadQuality::mp3_192);
    EXPECT_EQ(preferences.stringValue("streamingQuality"), "mp3_192");
    controller->setSendListeningEvents(false);
    EXPECT_EQ(preferences.boolValue("sendListeningEvents"), false);

    EXPECT_EQ(controller->volume().value(), 0.8);
    for (auto [asked, kept] :
         std::vector<std::pair<double, double>>{{1.5, 1}, {-1, 0}, {std::nan(""), 0}, {0.3, 0.3}}) {
        controller->setVolume(asked);
        EXPECT_EQ(controller->volume().value(), kept) << asked;
    }
}

} // namespace
} // namespace sorvalind::testing
