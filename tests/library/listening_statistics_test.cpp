#include "library/listening_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

using Accumulator = ListeningStatistics::Accumulator;
using Action = ListeningStatistics::Action;

Song played(std::string id, std::string title, std::optional<std::int64_t> plays) {
    Song song;
    song.id = std::move(id);
    song.title = std::move(title);
    song.playCount = plays;
    return song;
}

Artist artist(std::string id, std::string name) {
    return Artist::make(std::move(id), std::move(name));
}

const ListeningStatistics::Ranking* find(const std::vector<ListeningStatistics::Ranking>& rankings,
                                         const std::string& id) {
    for (const auto& ranking : rankings)
        if (ranking.id == id) return &ranking;
    return nullptr;
}

TEST(ListeningStatistics, CountsAndSums) {
    struct Case {
        const char* what;
        Song song;
        std::int64_t librarySongs, withCounts, totalPlays, uniqueSongs, playsWithDuration;
        double estimatedSeconds;
    };
    Song video = played("v", "Video", 50);
    video.isVideo = true;
    Song notVideo = played("n", "Clip", 2);
    notVideo.isVideo = false;
    Song timed = played("t", "Timed", 3);
    timed.duration = 200;
    auto withDuration = [](double seconds) {
        Song song = played("d", "Odd", 3);
        song.duration = seconds;
        return song;
    };
    const Case cases[] = {
        {"video", video, 0, 0, 0, 0, 0, 0},
        {"explicit non-video", notVideo, 1, 1, 2, 1, 0, 0},
        {"zero plays", played("z", "Zero", 0), 1, 1, 0, 0, 0, 0},
        {"negative plays", played("m", "Minus", -4), 1, 1, 0, 0, 0, 0},
        {"no play count", played("a", "Absent", std::nullopt), 1, 0, 0, 0, 0, 0},
        {"with duration", timed, 1, 1, 3, 1, 3, 600},
        {"no duration", played("x", "X", 3), 1, 1, 3, 1, 0, 0},
        {"zero duration", withDuration(0), 1, 1, 3, 1, 0, 0},
        {"negative duration", withDuration(-10), 1, 1, 3, 1, 0, 0},
        {"infinite duration", withDuration(std::numeric_limits<double>::infinity()), 1, 1, 3, 1, 0, 0},
        {"NaN duration", withDuration(std::nan("")), 1, 1, 3, 1, 0, 0},
    };
    for (const Case& c : cases) {
        Accumulator accumulator;
        accumulator.add(c.song);
        const ListeningStatistics result = accumulator.finish();
        EXPECT_EQ(result.librarySongs, c.librarySongs) << c.what;
        EXPECT_EQ(result.songsWithPlayCounts, c.withCounts) << c.what;
        EXPECT_EQ(result.totalPlays, c.totalPlays) << c.what;
        EXPECT_EQ(result.uniqueSongs, c.uniqueSongs) << c.what;
        EXPECT_EQ(result.playsWithDuration, c.playsWithDuration) << c.what;
        EXPECT_DOUBLE_EQ(result.estimatedSeconds, c.estimatedSeconds) << c.what;
        EXPECT_EQ(result.topSongs.size(), c.uniqueSongs) << c.what;
        EXPECT_EQ(result.libraryAlbums, 0);
        EXPECT_FALSE(result.isPartial);
    }
}

TEST(ListeningStatistics, TopSongsKeepTheTenMostPlayed) {
    Accumulator accumulator;
    // Ten songs with 5..14 plays, then one with 5 plays whose title sorts first.
    for (int i = 0; i < 10; ++i)
        accumulator.add(played("s" + std::to_string(i), "Title " + std::to_string(i), 14 - i));
    accumulator.add(played("s10", "Aaa", 5));
    accumulator.add(played("s11", "Few", 1));
    const auto top = accumulator.finish().topSongs;
    ASSERT_EQ(top.size(), 10u);
    EXPECT_EQ(top.front().id, "s0");
    EXPECT_EQ(top[8].id, "s8");
    // Equal plays: "Aaa" beats "Title 9", which drops out with the one-play song.
    EXPECT_EQ(top.back().id, "s10");
    // Equal plays and titles fall back to the identifier.
    Accumulator ties;
    ties.add(played("b", "Same", 2));
    ties.add(played("a", "Same", 2));
    EXPECT_EQ(ties.finish().topSongs.front().id, "a");
}

TEST(ListeningStatistics, ArtistRankingsByIdentifierOrName) {
    Accumulator accumulator;
    Song twice = played("1", "One", 4);
    twice.coverArt = "song-art";
    Artist withArt = artist("ar1", "Nina Simone");
    withArt.coverArt = "artist-art";
    twice.artists = {withArt, withArt, artist("", "   ")};
    accumulator.add(twice);

    Song renamed = played("2", "Two", 1);
    renamed.artists = {artist("ar1", "NINA SIMONE")};
    accumulator.add(renamed);

    Song textOnly = played("3", "Three", 2);
    textOnly.artist = "Nina";
    textOnly.coverArt = "c3";
    accumulator.add(textOnly);
    Song lower = played("4", "Four", 5);
    lower.artist = "nina";
    accumulator.add(lower);
    Song emptyList = played("5", "Five", 1);
    emptyList.artists = std::vector<Artist>{};
    emptyList.artist = "Bo";
    emptyList.artistId = "ar9";
    accumulator.add(emptyList);

    const auto artists = accumulator.finish().topArtists;
    ASSERT_EQ(artists.size(), 3u);
    const auto* byId = find(artists, "id:ar1");
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId->plays, 5); // credited twice in one song, counted once
    EXPECT_EQ(byId->name, "Nina Simone");
    EXPECT_EQ(byId->coverArt, "artist-art");
    EXPECT_FALSE(byId->subtitle.has_value());
    EXPECT_EQ(byId->action, Action::artist(withArt));

    const auto* byName = find(artists, "name:nina");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->plays, 7);
    EXPECT_EQ(byName->name, "Nina"); // the first song counted names the ranking
    EXPECT_EQ(byName->coverArt, "c3");
    EXPECT_EQ(byName->action, Action::search("Nina"));

    const auto* fromText = find(artists, "id:ar9");
    ASSERT_NE(fromText, nullptr);
    EXPECT_EQ(fromText->action, Action::artist(artist("ar9", "Bo")));
    EXPECT_EQ(artists.front().id, "name:nina");
}

TEST(ListeningStatistics, AlbumRankingsByIdentifierOrNameAndArtist) {
    Accumulator accumulator;
    auto onAlbum = [](std::string id, std::int64_t plays, std::string album,
                      std::optional<std::string> albumId) {
        Song song = played(std::move(id), "T", plays);
        song.album = std::move(album);
        song.albumId = std::move(albumId);
        return song;
    };
    Song hitsA = onAlbum("1", 2, "Greatest Hits", std::nullopt);
    hitsA.displayAlbumArtist = "Queen";
    Song hitsB = onAlbum("2", 3, "Greatest Hits", std::nullopt);
    hitsB.albumArtists = {artist("x", "ABBA"), artist("y", "Friends")};
    Song hitsC = onAlbum("3", 1, "GREATEST HITS", std::nullopt);
    hitsC.displayAlbumArtist = "QUEEN";
    Song withIdA = onAlbum("4", 4, "Blue", "al1");
    withIdA.artist = "Joni";
    withIdA.coverArt = "blue-art";
    Song withIdB = onAlbum("5", 6, "Blue (Remaster)", "al1");
    withIdB.artist = "Joni Mitchell";
    Song blank = onAlbum("6", 9, "   ", std::nullopt);
    Song emptyDisplay = onAlbum("7", 1, "Solo", std::nullopt);
    emptyDisplay.displayAlbumArtist = "";
    emptyDisplay.artist = "Someone";
    for (const Song& song : {hitsA, hitsB, hitsC, withIdA, withIdB, blank, emptyDisplay})
        accumulator.add(song);

    const auto albums = accumulator.finish().topAlbums;
    ASSERT_EQ(albums.size(), 4u);
    const auto* queen = find(albums, "name:greatest hits|queen");
    ASSERT_NE(queen, nullptr);
    EXPECT_EQ(queen->plays, 3);
    EXPECT_EQ(queen->subtitle, "Queen");
    EXPECT_EQ(queen->action, Action::search("Greatest Hits"));
    const auto* abba = find(albums, "name:greatest hits|abba, friends");
    ASSERT_NE(abba, nullptr);
    EXPECT_EQ(abba->subtitle, "ABBA, Friends");
    const auto* blue = find(albums, "id:al1");
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(blue->plays, 10);
    EXPECT_EQ(blue->name, "Blue");
    EXPECT_EQ(blue->subtitle, "Joni");
    EXPECT_EQ(blue->coverArt, "blue-art");
    EXPECT_EQ(blue->action, Action::album("al1", "Blue"));
    const auto* solo = find(albums, "name:solo|someone");
    ASSERT_NE(solo, nullptr);
    EXPECT_EQ(solo->subtitle, "Someone");
}

TEST(ListeningStatistics, RankingOrderAndLimit) {
    Accumulator accumulator;
    // Twelve artists with one play each: ordered by name, then by key.
    const std::vector<std::string> names = {"Mia", "abe", "Zed", "Bea", "Cy",  "Di",
                                            "Ed",  "Flo", "Gus", "Hal", "Ivy", "Mia"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        Song song = played(std::to_string(i), "T", 1);
        song.artists = {artist("a" + std::to_string(20 - i), names[i])};
        accumulator.add(song);
    }
    Song top = played("top", "T", 2);
    top.artists = {artist("", "Zed")};
    accumulator.add(top);
    const auto artists = accumulator.finish().topArtists;
    ASSERT_EQ(artists.size(), 10u);
    std::vector<std::string> ids;
    for (const auto& ranking : artists)
        ids.push_back(ranking.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"name:zed", "id:a17", "id:a16", "id:a15", "id:a14", "id:a13",
                                             "id:a12", "id:a11", "id:a10", "id:a20"}));
    // The second "Mia" (key id:a9 sorts after id:a20), "Zed" with an identifier
    // and "abe" (lower case sorts after upper case) fall out.
}

TEST(ListeningStatistics, RankingOfASong) {
    Song song = played("s1", "Tune", -2);
    song.artist = "Ann";
    song.coverArt = "art";
    const ListeningStatistics::Ranking row(song);
    EXPECT_EQ(row.id, "s1");
    EXPECT_EQ(row.name, "Tune");
    EXPECT_EQ(row.subtitle, "Ann");
    EXPECT_EQ(row.coverArt, "art");
    EXPECT_EQ(row.plays, 0);
    EXPECT_EQ(row.action, Action::song(song));
    EXPECT_EQ(ListeningStatistics::Ranking(played("s2", "T", std::nullopt)).plays, 0);
    EXPECT_EQ(ListeningStatistics::Ranking(played("s3", "T", 7)).plays, 7);
    EXPECT_NE(std::hash<Action>{}(Action::search("x")), std::hash<Action>{}(Action::album("x", "")));
}

TEST(ListeningStatistics, SumsSaturateInsteadOfOverflowing) {
    constexpr auto maximum = std::numeric_limits<std::int64_t>::max();
    Accumulator accumulator;
    for (const char* id : {"1", "2", "3"}) {
        Song song = played(id, "Huge", maximum);
        song.duration = 1;
        song.artists = {artist("ar", "Same")};
        song.album = "Album";
        song.albumId = "al";
        accumulator.add(song);
    }
    const ListeningStatistics result = accumulator.finish();
    EXPECT_EQ(result.totalPlays, maximum);
    EXPECT_EQ(result.playsWithDuration, maximum);
    EXPECT_EQ(result.uniqueSongs, 3);
    ASSERT_EQ(result.topArtists.size(), 1u);
    EXPECT_EQ(result.topArtists[0].plays, maximum);
    ASSERT_EQ(result.topAlbums.size(), 1u);
    EXPECT_EQ(result.topAlbums[0].plays, maximum);
    EXPECT_GT(result.estimatedSeconds, 2.7e19);

    // A duration near the double range times a huge count stays finite.
    Accumulator longest;
    Song endless = played("e", "Endless", maximum);
    endless.duration = std::numeric_limits<double>::max() / 2;
    longest.add(endless);
    longest.add(endless);
    EXPECT_EQ(longest.finish().estimatedSeconds, std::numeric_limits<double>::max());
}

} // namespace
} // namespace sorvalind
