// The pure rules under the playback controller: offline availability, which
// entries a start covers, which download plays, and which server request
// starts a song at a given second.

#include "errors/api_error.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/curl/query_item.h"
#include "playback/playback_availability.h"
#include "playback/playback_plan.h"
#include "playback/stream_source.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"
#include "server/server_configuration.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace sorvalind {
namespace {

Song song(const std::string& id, std::optional<double> duration = 200) {
    Song s = Song::make(id, "Song " + id);
    s.duration = duration;
    return s;
}

std::vector<Song> songs(std::initializer_list<const char*> ids) {
    std::vector<Song> list;
    for (const char* id : ids)
        list.push_back(song(id));
    return list;
}

std::vector<std::string> songIDs(const std::vector<QueueEntry>& entries) {
    std::vector<std::string> ids;
    for (const auto& entry : entries)
        ids.push_back(entry.song.id);
    return ids;
}

QueueState queueOf(std::initializer_list<const char*> ids, std::int64_t start) {
    QueueState queue;
    queue.replace(songs(ids), std::nullopt, start);
    return queue;
}

TEST(PlaybackAvailabilityTest, NextNeedsAnAvailableTarget) {
    const PlaybackAvailability online;
    const PlaybackAvailability offlineB{true, {"b"}};
    const PlaybackAvailability offlineA{true, {"a"}};
    const PlaybackAvailability offlineNone{true, {}};

    QueueState last = queueOf({"a", "b"}, 1); // b current, a in the history
    EXPECT_FALSE(canGoNext(last, online));
    last.repeatMode = RepeatMode::all;
    EXPECT_TRUE(canGoNext(last, online));
    EXPECT_TRUE(canGoNext(last, offlineB)); // the current song is downloaded
    EXPECT_TRUE(canGoNext(last, offlineA)); // a history song is
    EXPECT_FALSE(canGoNext(last, offlineNone));
    last.repeatMode = RepeatMode::one;
    EXPECT_FALSE(canGoNext(last, online));

    QueueState first = queueOf({"a", "b"}, 0);
    EXPECT_TRUE(canGoNext(first, online));
    EXPECT_TRUE(canGoNext(first, offlineB));
    EXPECT_FALSE(canGoNext(first, offlineA));
    EXPECT_FALSE(canGoNext(QueueState(), online));
}

TEST(PlaybackAvailabilityTest, OfflinePlayKeepsDownloadedSongsAndTranslatesTheRow) {
    const PlaybackAvailability offline{true, {"b", "d", "e"}};
    const auto list = songs({"a", "b", "c", "d", "e"});
    struct Case {
        std::optional<std::string> startingAt;
        std::optional<std::int64_t> startingIndex;
        bool served;
        std::optional<std::string> keptStart;
        std::optional<std::int64_t> keptIndex;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 3, true, "d", 1},  // d is the second downloaded song
        {std::nullopt, 2, false, {}, {}}, // c is not downloaded: nothing at all
        {"c", std::nullopt, false, {}, {}},
        {"e", std::nullopt, true, "e", std::nullopt},
        {"zz", 9, true, std::nullopt, 3}, // past the end, no such song: clamped later
        {std::nullopt, -4, true, std::nullopt, 0},
        {std::nullopt, std::nullopt, true, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        auto request = servablePlayRequest({list, c.startingAt, c.startingIndex}, offline);
        ASSERT_EQ(request.has_value(), c.served) << c.startingIndex.value_or(-99);
        if (!request) continue;
        EXPECT_EQ(request->songs.size(), 3u);
        EXPECT_EQ(request->startingIndex, c.keptIndex);
        if (c.startingIndex) {
            EXPECT_EQ(request->startingAt, c.keptStart);
        }
    }
    EXPECT_FALSE(servablePlayRequest({songs({"a", "c"}), std::nullopt, std::nullopt}, offline));
    // Online nothing is dropped.
    auto online = servablePlayRequest({list, std::nullopt, 2}, PlaybackAvailability());
    ASSERT_TRUE(online);
    EXPECT_EQ(online->songs.size(), 5u);
    EXPECT_EQ(online->startingIndex, 2);
}

TEST(PlaybackAvailabilityTest, OfflineSkippingStopsAtADownloadAndNeverWraps) {
    QueueState queue = queueOf({"a", "b", "c", "d"}, 0);
    queue.repeatMode = RepeatMode::all;
    EXPECT_TRUE(skipToAvailable(queue, {true, {"c"}}));
    EXPECT_EQ(queue.current->song.id, "c");
    EXPECT_EQ(queue.repeatMode, RepeatMode::all);
    EXPECT_FALSE(skipToAvailable(queue, {true, {"c"}})); // already there
    EXPECT_FALSE(skipToAvailable(queue, {false, {}}));   // online nothing moves

    QueueState none = queueOf({"a", "b"}, 0);
    none.repeatMode = RepeatMode::one;
    EXPECT_TRUE(skipToAvailable(none, {true, {"a-not"}}));
    EXPECT_FALSE(none.current);
    EXPECT_EQ(songIDs(none.history), (std::vector<std::string>{"a", "b"}));
}

TEST(PlaybackPlanTest, EntriesAndWrapByRepeatMode) {
    QueueState queue = queueOf({"h", "c", "x", "y"}, 1);
    queue.enqueue({song("m")}, false);
    auto ids = [](const PlaybackPlan& plan) { return songIDs(plan.entries); };

    EXPECT_EQ(ids(planPlayback(queue)), (std::vector<std::string>{"c", "m", "x", "y"}));
    EXPECT_FALSE(planPlayback(queue).repeatContext);
    queue.repeatMode = RepeatMode::all;
    EXPECT_EQ(ids(planPlayback(queue)), (std::vector<std::string>{"c", "m", "x", "y", "h"}));
    EXPECT_TRUE(planPlayback(queue).repeatContext);
    queue.repeatMode = RepeatMode::one;
    EXPECT_EQ(ids(planPlayback(queue)), (std::vector<std::string>{"c"}));
    EXPECT_TRUE(planPlayback(queue).repeatContext);
    EXPECT_TRUE(planPlayback(QueueState()).entries.empty());
}

TEST(PlaybackPlanTest, TheWantedQualityFirstThenAnyExistingFile) {
    auto record = [](DownloadQuality quality, std::string path) {
        DownloadRecord r;
        r.song = song("s");
        r.quality = quality;
        r.path = std::move(path);
        return r;
    };
    auto grouped =
        groupDownloads({record(DownloadQuality::mp3_256, "/256"), record(DownloadQuality::original, "/orig"),
                        record(DownloadQuality::mp3_192, "/192")});
    ASSERT_EQ(grouped.size(), 1u);
    const auto& records = grouped["s"];
    struct Case {
        DownloadQuality wanted;
        std::set<std::string> existing;
        std::optional<std::string> chosen;
    };
    const std::vector<Case> cases = {
        {DownloadQuality::original, {"/256", "/orig", "/192"}, "/orig"},
        {DownloadQuality::mp3_256, {"/256", "/orig", "/192"}, "/256"},
        {DownloadQuality::mp3_320, {"/256", "/orig", "/192"}, "/256"}, // any quality beats none
        {DownloadQuality::original, {"/192"}, "/192"},
        {DownloadQuality::mp3_256, {}, std::nullopt},
    };
    for (const auto& c : cases) {
        auto chosen = chooseDownload(records, c.wanted,
                                     [&](const std::string& path) { return c.existing.count(path) > 0; });
        EXPECT_EQ(chosen ? std::optional(chosen->path) : std::nullopt, c.chosen) << c.wanted.rawValue();
    }
}

class StreamSourceTest : public ::testing::Test {
protected:
    using Items = std::map<std::string, std::string>;
    static Items items(const HttpRequest& request) {
        Items found;
        for (const auto& item : parseQueryItems(request.body))
            if (item.name == "id" || item.name == "format" || item.name == "maxBitRate" ||
                item.name == "timeOffset")
                found[item.name] = item.value.value_or("?");
        return found;
    }

    loopback::FakeSubsonicServer server;
    VirtualClock clock;
    ManualExecutor main{clock};
    APIClient client{ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main,
                     NetworkSecurity::session()};
};

TEST_F(StreamSourceTest, RequestsByQualityOffsetAndServerSupport) {
    Song mp3 = song("m");
    mp3.suffix = "MP3";
    mp3.bitRate = 128;
    Song flac = song("f");
    flac.suffix = "flac";
    Song aac = song("a");
    aac.suffix = "aac";
    const auto q320 = DownloadQuality::mp3_320;
    const auto original = DownloadQuality::original;
    struct Case {
        const Song* song;
        double offset;
        bool supported;
        DownloadQuality quality;
        bool mayDiscard;
        std::optional<Items> expected; // none: refused
        bool serverOffset;
        double streamStart;
    };
    const std::vector<Case> cases = {
        {&mp3, 0, false, q320, false, Items{{"id", "m"}, {"format", "mp3"}, {"maxBitRate", "320"}}, true, 0},
        {&mp3, 12.7, true, q320, false,
         Items{{"id", "m"}, {"format", "mp3"}, {"maxBitRate", "127"}, {"timeOffset", "12"}}, true, 12},
        {&mp3, 0.5, true, q320, false,
         Items{{"id", "m"}, {"format", "mp3"}, {"maxBitRate", "320"}, {"timeOffset", "0"}}, true, 0},
        {&flac, 30, false, q320, false, std::nullopt, false, 0},
        {&flac, 30, false, original, false, Items{{"id", "f"}, {"format", "raw"}, {"maxBitRate", "0"}}, false,
         0},
        {&aac, 30, true, original, false,
         Items{{"id", "a"}, {"format", "mp3"}, {"maxBitRate", "320"}, {"timeOffset", "30"}}, true, 30},
        {&aac, 30, false, original, false, std::nullopt, false, 0},
        // A restart the user did not ask for: from 0, discarding up to 600 s.
        {&flac, 30, false, DownloadQuality::mp3_192, true,
         Items{{"id", "f"}, {"format", "mp3"}, {"maxBitRate", "192"}}, true, 0},
        {&mp3, 600, false, original, true, Items{{"id", "m"}, {"format", "mp3"}, {"maxBitRate", "320"}}, true,
         0},
        {&mp3, 600.5, false, original, true, std::nullopt, false, 0},
        {&flac, 30, true, DownloadQuality::mp3_192, true,
         Items{{"id", "f"}, {"format", "mp3"}, {"maxBitRate", "192"}, {"timeOffset", "30"}}, true, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.song->id + " at " + std::to_string(c.offset));
        if (!c.expected) {
            try {
                remoteSource(*c.song, c.offset, client, c.supported, c.quality, c.mayDiscard);
                ADD_FAILURE() << "served";
            } catch (const APIError& error) {
                EXPECT_EQ(error,
                          APIError::unavailable(c.quality == original ? FeatureFailure::originalSeek
                                                                      : FeatureFailure::transcodeSeek));
            }
            EXPECT_TRUE(needsDiscardingStart(*c.song, c.offset, c.supported, c.quality));
            continue;
        }
        auto start = remoteSource(*c.song, c.offset, client, c.supported, c.quality, c.mayDiscard);
        EXPECT_EQ(items(start.request), *c.expected);
        EXPECT_EQ(start.serverOffset, c.serverOffset);
        EXPECT_EQ(start.streamStart, c.streamStart);
        EXPECT_EQ(needsDiscardingStart(*c.song, c.offset, c.supported, c.quality),
                  c.mayDiscard && !c.supported);
    }
}

} // namespace
} // namespace sorvalind
