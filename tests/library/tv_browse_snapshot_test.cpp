#include "library/tv_browse_snapshot.h"

#include "platform/crypto/digest.h"
#include "runtime/cancellation.h"

#include <gtest/gtest.h>

#include <limits>

namespace sorvalind {
namespace {

using IDs = std::vector<std::string>;

// One row reduced to everything it shows, so whole rows compare in one line.
struct Row {
    std::string id, title, subtitle;
    std::optional<std::string> artwork;
    std::string symbol;
    bool isLiked = false;
    std::optional<std::int64_t> rating;
    friend bool operator==(const Row&, const Row&) = default;
};

std::ostream& operator<<(std::ostream& out, const Row& r) {
    return out << "{" << r.id << " | " << r.title << " | " << r.subtitle << " | " << r.artwork.value_or("-")
               << " | " << r.symbol << " | " << r.isLiked << " | " << r.rating.value_or(-1) << "}";
}

std::vector<Row> rows(const TVBrowseSnapshot& snapshot) {
    std::vector<Row> out;
    for (const auto& item : snapshot.items())
        out.push_back(
            {item.id(), item.title(), item.subtitle(), item.artwork, item.symbol, item.isLiked, item.rating});
    return out;
}

IDs ids(const TVBrowseSnapshot& snapshot) {
    IDs out;
    for (const auto& item : snapshot.items())
        out.push_back(item.id());
    return out;
}

Playlist playlist(std::string id, std::string name) {
    Playlist p;
    p.id = std::move(id);
    p.name = std::move(name);
    return p;
}

// A small library: favourites carry a timestamp or the pending mark, ratings
// and cover art are set on some records only.
struct Library {
    std::vector<Artist> artists;
    std::vector<Album> albums;
    std::vector<Song> songs;
    std::vector<Playlist> playlists;
    std::vector<std::string> genres{"Jazz", "Hip Hop"};

    Library() {
        Artist one = Artist::make("ar1", "Solo");
        one.albumCount = 1;
        one.coverArt = "ar-ar1";
        one.starred = "2024-01-01T00:00:00Z";
        one.userRating = 4;
        artists = {one, Artist::make("ar2", "Nobody")};

        Album a = Album::make("al1", "First", std::string("Solo"));
        a.coverArt = "al-al1";
        a.userRating = 3;
        Album b = Album::make("al2", "Second");
        b.starred = "pending";
        albums = {a, b};

        Song s1 = Song::make("s1", "Intro", std::string("Solo"));
        s1.duration = 215;
        s1.coverArt = "al-al1";
        Song s2 = Song::make("s2", "Duet");
        s2.artists = std::vector<Artist>{Artist::make("x", "A"), Artist::make("y", "B")};
        s2.starred = "2024-02-02T00:00:00Z";
        s2.userRating = 5;
        Song s3 = Song::make("s3", "Untitled");
        songs = {s1, s2, s3};

        Playlist p = playlist("p1", "Road");
        p.songCount = 1;
        p.coverArt = "pl-p1";
        playlists = {p, playlist("p2", "Blank")};
    }

    TVBrowseSnapshot tab(std::string_view name, std::optional<SongSort> sort = std::nullopt) const {
        return TVBrowseSnapshot::library(name, albums, artists, songs, playlists, sort, genres);
    }
};

void expectNoRows(const TVBrowseSnapshot& snapshot, const std::string& what) {
    EXPECT_TRUE(snapshot.items().empty()) << what;
    EXPECT_EQ(snapshot.contentIDs(), IDs{"empty"}) << what;
    EXPECT_EQ(snapshot.neighbor("empty", 1), "empty") << what;
    EXPECT_EQ(snapshot.neighbor("empty", -1), "empty") << what;
    EXPECT_EQ(snapshot.neighbor("song:s1", 0), std::nullopt) << what;
}

TEST(TVBrowseSnapshot, SnapshotsWithoutRowsHoldOnlyTheEmptyPlaceholder) {
    const Library lib;
    const std::vector<Song> noSongs;
    const std::vector<Song> noFavourites{Song::make("s1", "One"), Song::make("s3", "Three")};
    expectNoRows(TVBrowseSnapshot(), "init");
    expectNoRows(lib.tab("Settings", SongSort::title), "Settings");
    expectNoRows(
        TVBrowseSnapshot::library("Songs", lib.albums, lib.artists, noSongs, {}, SongSort::title, {}),
        "Songs without songs");
    expectNoRows(TVBrowseSnapshot::library("Favorites", {}, {}, noFavourites, {}, SongSort::played, {}),
                 "Favorites without favourites");
    expectNoRows(TVBrowseSnapshot::library("Genres", lib.albums, {}, {}, {}, std::nullopt, {}), "no genres");
    expectNoRows(TVBrowseSnapshot::tracks(noSongs, "Mix", true, true), "tracks without songs");
}

TEST(TVBrowseSnapshot, EverySnapshotHasItsOwnGeneration) {
    const Library lib;
    const TVBrowseSnapshot a = lib.tab("Artists"), b = lib.tab("Artists"), empty;
    EXPECT_TRUE(isUUID(a.generation()));
    EXPECT_TRUE(isUUID(empty.generation()));
    EXPECT_NE(a.generation(), b.generation());
    EXPECT_NE(empty.generation(), TVBrowseSnapshot().generation());
}

TEST(TVBrowseSnapshot, SearchTabListsArtistsThenAlbumsThenSongs) {
    const Library lib;
    const TVBrowseSnapshot snapshot = lib.tab("Search", SongSort::title);
    const std::vector<Row> expected{
        {"artist:ar1", "Solo", "Artist \u00b7 1 albums", "ar-ar1", "person.fill", true, 4},
        {"artist:ar2", "Nobody", "Artist \u00b7 0 albums", std::nullopt, "person.fill", false, std::nullopt},
        {"album:al1", "First", "Album \u00b7 Solo", "al-al1", "square.stack", false, 3},
        {"album:al2", "Second", "Album \u00b7 Unknown Artist", std::nullopt, "square.stack", true,
         std::nullopt},
        {"song:s1", "Intro", "Song \u00b7 Solo", "al-al1", "music.note", false, std::nullopt},
        {"song:s2", "Duet", "Song \u00b7 A, B", std::nullopt, "music.note", true, 5},
        {"song:s3", "Untitled", "Song \u00b7 Unknown Artist", std::nullopt, "music.note", false,
         std::nullopt},
    };
    EXPECT_EQ(rows(snapshot), expected);
    EXPECT_EQ(snapshot.contentIDs(), ids(snapshot));
}

TEST(TVBrowseSnapshot, TabRowsTakeTheirPlainForms) {
    const Library lib;
    EXPECT_EQ(rows(lib.tab("Artists")),
              (std::vector<Row>{
                  {"artist:ar1", "Solo", "1 albums", "ar-ar1", "person.fill", true, 4},
                  {"artist:ar2", "Nobody", "0 albums", std::nullopt, "person.fill", false, std::nullopt}}));
    EXPECT_EQ(rows(lib.tab("Genres")), (std::vector<Row>{{"genre:Jazz", "Jazz", "Browse songs", std::nullopt,
                                                          "guitars", false, std::nullopt},
                                                         {"genre:Hip Hop", "Hip Hop", "Browse songs",
                                                          std::nullopt, "guitars", false, std::nullopt}}));
    EXPECT_EQ(rows(lib.tab("Albums")),
              (std::vector<Row>{{"album:al1", "First", "Solo", "al-al1", "music.note", false, 3},
                                {"album:al2", "Second", "Unknown Artist", std::nullopt, "music.note", true,
                                 std::nullopt}}));
    // Playlists have no favourite or rating marks of their own.
    EXPECT_EQ(
        rows(lib.tab("Playlists")),
        (std::vector<Row>{
            {"newPlaylist", "New Playlist", "Create a playlist", std::nullopt, "plus", false, std::nullopt},
            {"playlist:p1", "Road", "1 songs", "pl-p1", "music.note.list", false, std::nullopt},
            {"playlist:p2", "Blank", "0 songs", std::nullopt, "music.note.list", false, std::nullopt}}));
}

TEST(TVBrowseSnapshot, PlaylistsTabAlwaysOffersANewPlaylist) {
    const Library lib;
    const TVBrowseSnapshot snapshot = TVBrowseSnapshot::library("Playlists", lib.albums, lib.artists,
                                                                lib.songs, {}, SongSort::title, lib.genres);
    EXPECT_EQ(snapshot.contentIDs(), IDs{"newPlaylist"});
}

TEST(TVBrowseSnapshot, SongTabsLeadWithTheSortRowOnlyWhenThereAreSongsAndAnOrder) {
    const Library lib;
    const TVBrowseSnapshot songs = lib.tab("Songs", SongSort::playCount);
    EXPECT_EQ(ids(songs), (IDs{"sortSongs", "song:s1", "song:s2", "song:s3"}));
    EXPECT_EQ(rows(songs)[0], (Row{"sortSongs", "Sort songs", "Most played", std::nullopt,
                                   "arrow.up.arrow.down", false, std::nullopt}));
    EXPECT_EQ(rows(songs)[2], (Row{"song:s2", "Duet", "A, B", std::nullopt, "music.note", true, 5}));

    EXPECT_EQ(ids(lib.tab("Songs")), (IDs{"song:s1", "song:s2", "song:s3"}));
    EXPECT_EQ(ids(lib.tab("Favorites", SongSort::added)), (IDs{"sortSongs", "song:s2"}));
    EXPECT_EQ(ids(lib.tab("Favorites")), (IDs{"song:s2"}));
}

TEST(TVBrowseSnapshot, SortRowNamesEverySongOrder) {
    const std::pair<SongSort, const char*> cases[] = {
        {SongSort::title, "Title"},
        {SongSort::artist, "Artist"},
        {SongSort::album, "Album"},
        {SongSort::added, "Recently added"},
        {SongSort::played, "Recently played"},
        {SongSort::playCount, "Most played"},
    };
    for (const auto& [sort, text] : cases) {
        EXPECT_EQ(tvTitle(sort), text);
        EXPECT_EQ(Library().tab("Songs", sort).items().front().subtitle(), text);
    }
}

TEST(TVBrowseSnapshot, HomeShowsNewestAlbumsFirstAndOtherTabsKeepTheGivenOrder) {
    auto album = [](std::string id, std::optional<std::string> created) {
        Album a = Album::make(std::move(id), "Name");
        a.created = std::move(created);
        return a;
    };
    const std::vector<Album> albums{album("none", std::nullopt), album("old1", "2023-01-01"),
                                    album("new", "2024-05-01"), album("blank", ""),
                                    album("old2", "2023-01-01")};
    auto tab = [&](std::string_view name) {
        return TVBrowseSnapshot::library(name, albums, {}, {}, {}, {}, {});
    };
    EXPECT_EQ(ids(tab("Home")), (IDs{"album:new", "album:old1", "album:old2", "album:none", "album:blank"}));
    const IDs given{"album:none", "album:old1", "album:new", "album:blank", "album:old2"};
    EXPECT_EQ(ids(tab("Albums")), given);
    // Tab names are matched exactly.
    EXPECT_EQ(ids(tab("home")), given);
    EXPECT_EQ(ids(tab("")), given);
}

TEST(TVBrowseSnapshot, TracksWithStackedActions) {
    Song song = Song::make("s1", "Intro", std::string("Solo"));
    song.duration = 215;
    song.starred = "x";
    song.userRating = 2;
    song.coverArt = "c1";
    EXPECT_EQ(rows(TVBrowseSnapshot::tracks({song}, "Road", true, true)),
              (std::vector<Row>{
                  {"playAll", "Play all", "1 song", std::nullopt, "play.fill", false, std::nullopt},
                  {"shuffleAll", "Shuffle", "", std::nullopt, "shuffle", false, std::nullopt},
                  {"track:0", "Intro", "1  \u00b7  Solo  \u00b7  3:35", "c1", "music.note", true, 2}}));
    EXPECT_EQ(TVBrowseSnapshot::tracks({song, song}, "Road", true, true).items()[0].subtitle(), "2 songs");
}

TEST(TVBrowseSnapshot, TracksWithActionsSideBySide) {
    const Song song = Song::make("s1", "Intro");
    EXPECT_EQ(rows(TVBrowseSnapshot::tracks({song}, "Road", true, false)),
              (std::vector<Row>{
                  {"playAll", "Play all", "1 songs", std::nullopt, "play.fill", false, std::nullopt},
                  {"queueAll", "Add to queue", "Road", std::nullopt, "text.badge.plus", false, std::nullopt},
                  {"track:0", "Intro", "1  \u00b7  Unknown Artist  \u00b7  0:00", std::nullopt, "music.note",
                   false, std::nullopt}}));
}

TEST(TVBrowseSnapshot, TracksWithoutActionsAreNumberedByPosition) {
    // The same song twice still gives two distinct rows.
    Song song = Song::make("s1", "Intro", std::string("Solo"));
    song.duration = 3600.9;
    std::vector<Song> songs(11, song);
    const TVBrowseSnapshot snapshot = TVBrowseSnapshot::tracks(songs, "Road", false, true);
    ASSERT_EQ(snapshot.items().size(), 11u);
    EXPECT_EQ(snapshot.contentIDs().front(), "track:0");
    EXPECT_EQ(snapshot.contentIDs().back(), "track:10");
    EXPECT_EQ(snapshot.items().back().subtitle(), "11  \u00b7  Solo  \u00b7  60:00");
    EXPECT_EQ(snapshot.neighbor("track:3", 1), "track:4");
}

TEST(TVBrowseSnapshot, NeighborMovesAndStopsAtTheEnds) {
    const TVBrowseSnapshot snapshot = Library().tab("Songs", SongSort::title); // sortSongs, s1, s2, s3
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const std::tuple<std::string, std::int64_t, std::optional<std::string>> cases[] = {
        {"song:s1", 1, "song:s2"},     {"song:s1", -1, "sortSongs"},   {"song:s2", 0, "song:s2"},
        {"song:s2", 5, "song:s3"},     {"sortSongs", -1, "sortSongs"}, {"song:s3", 1, "song:s3"},
        {"song:s3", -3, "sortSongs"},  {"song:s3", -4, "sortSongs"},   {"song:s1", max, "song:s3"},
        {"song:s1", min, "sortSongs"}, {"song:s9", 1, std::nullopt},   {"empty", 1, std::nullopt},
        {"Song:s1", 0, std::nullopt},  {"", 0, std::nullopt},
    };
    for (const auto& [from, offset, expected] : cases)
        EXPECT_EQ(snapshot.neighbor(from, offset), expected) << from << " " << offset;
}

TEST(TVBrowseSnapshot, ARepeatedRowMovesFromItsLastPlace) {
    const Song a = Song::make("a", "A"), b = Song::make("b", "B"), c = Song::make("c", "C");
    const TVBrowseSnapshot snapshot =
        TVBrowseSnapshot::library("Songs", {}, {}, {a, b, a, c}, {}, std::nullopt, {});
    EXPECT_EQ(snapshot.contentIDs(), (IDs{"song:a", "song:b", "song:a", "song:c"}));
    EXPECT_EQ(snapshot.neighbor("song:a", 1), "song:c");
    EXPECT_EQ(snapshot.neighbor("song:a", -1), "song:b");
    EXPECT_EQ(snapshot.neighbor("song:b", 1), "song:a");
}

TEST(TVBrowseSnapshot, CanonicallyEqualIdentifiersFindTheSameRow) {
    // "Café" composed and decomposed are the same text to the user.
    const TVBrowseSnapshot snapshot =
        TVBrowseSnapshot::library("Genres", {}, {}, {}, {}, std::nullopt, {"Caf\u00e9", "Rock"});
    EXPECT_EQ(snapshot.neighbor("genre:Cafe\u0301", 1), "genre:Rock");
    EXPECT_EQ(snapshot.neighbor("genre:Rock", -1), "genre:Caf\u00e9");
    EXPECT_EQ(snapshot.neighbor("genre:cafe\u0301", 1), std::nullopt);
}

TEST(TVBrowseSnapshot, BuildersStopWhenTheTaskIsCancelled) {
    const Library lib;
    std::stop_source source;
    source.request_stop();
    for (const char* tab : {"Settings", "Songs", "Search", "Home", "Playlists", "Genres", "Albums"})
        EXPECT_THROW(TVBrowseSnapshot::library(tab, lib.albums, lib.artists, lib.songs, lib.playlists,
                                               SongSort::title, lib.genres, source.get_token()),
                     CancellationError)
            << tab;
    EXPECT_THROW(TVBrowseSnapshot::tracks(lib.songs, "Road", true, true, source.get_token()),
                 CancellationError);
    EXPECT_THROW(TVBrowseSnapshot::tracks(lib.songs, "Road", false, false, source.get_token()),
                 CancellationError);
}

TEST(TVBrowseSnapshot, LongListsBuildCompletely) {
    std::vector<Song> songs;
    for (int i = 0; i < 5000; ++i)
        songs.push_back(Song::make("s" + std::to_string(i), "T"));
    std::stop_source source;
    const TVBrowseSnapshot snapshot =
        TVBrowseSnapshot::library("Songs", {}, {}, songs, {}, SongSort::added, {}, source.get_token());
    ASSERT_EQ(snapshot.contentIDs().size(), 5001u);
    EXPECT_EQ(snapshot.neighbor("song:s2047", 2), "song:s2049");
    EXPECT_EQ(snapshot.neighbor("song:s4999", -5000), "sortSongs");
}

} // namespace
} // namespace sorvalind
