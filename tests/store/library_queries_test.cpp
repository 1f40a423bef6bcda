// The library's list queries over a small hand-made library whose songs and
// albums are ordered differently by every sort, so each sort and filter has
// exactly one right answer.
#include "store/store_test_support.h"

#include "errors/database_error.h"
#include "library/json_coding.h"
#include "runtime/cancellation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stop_token>

namespace sorvalind {
namespace {

using Ids = std::vector<std::string>;

Artist artistNamed(const std::string& id, const std::string& name) {
    return Artist::make(id, name);
}

Song song(const std::string& id, const std::string& title, std::vector<Artist> artists,
          const std::string& album, const std::string& albumId, int disc, int track,
          const std::string& created, const std::optional<std::string>& played, std::int64_t playCount) {
    Song song = Song::make(id, title);
    std::string artistText;
    for (const auto& artist : artists)
        artistText += (artistText.empty() ? "" : ", ") + artist.name;
    song.artist = artistText;
    song.artistId = artists.front().id;
    song.artists = std::move(artists);
    song.album = album;
    song.albumId = albumId;
    song.discNumber = disc;
    song.track = track;
    song.created = created;
    song.played = played;
    song.playCount = playCount;
    return song;
}

// Songs s1..s5 in three albums; every sort orders them differently.
std::vector<Song> songs() {
    const Artist beyonce = artistNamed("ar-1", "Beyoncé");
    Song s1 = song("s1", "Halo", {beyonce}, "I Am", "al-1", 1, 2, "2020-01-02T00:00:00Z",
                   "2023-05-01T00:00:00Z", 5);
    s1.genres = std::vector{ItemGenre{"Pop"}};
    s1.starred = "2023-01-01T00:00:00Z";
    Song s2 = song("s2", "Café del Mar", {artistNamed("ar-2", "Energy 52")}, "Café", "al-2", 1, 1,
                   "2021-01-01T00:00:00Z", "2022-01-01T00:00:00Z", 50);
    s2.genres = std::vector{ItemGenre{"Electronic"}};
    Song s3 = song("s3", "Amber", {artistNamed("ar-3", "311")}, "From Chaos", "al-3", 1, 1,
                   "2019-01-01T00:00:00Z", "2024-01-01T00:00:00Z", 1);
    s3.genre = "Rock";
    s3.albumArtists = std::vector{artistNamed("ar-6", "Various")};
    s3.starred = "pending";
    Song s4 = song("s4", "Baby Boy", {beyonce, artistNamed("ar-4", "Sean Paul")}, "I Am", "al-1", 1, 1,
                   "2018-01-01T00:00:00Z", std::nullopt, 0);
    s4.genres = std::vector{ItemGenre{"Hip-Hop"}, ItemGenre{"Pop"}};
    Song s5 = song("s5", "Deja Vu", {beyonce}, "I Am", "al-1", 2, 1, "2017-01-01T00:00:00Z",
                   "2021-01-01T00:00:00Z", 3);
    s5.contributors =
        std::vector{Contributor::make("composer", std::nullopt, artistNamed("ar-5", "Rodney Jerkins"))};
    s5.genres = std::vector{ItemGenre{"Hip Hop"}};
    return {s1, s2, s3, s4, s5};
}

std::vector<Album> albums() {
    Album a1 = Album::make("al-1", "I Am", "Beyoncé");
    a1.artistId = "ar-1";
    a1.year = 2008;
    a1.created = "2012-01-01T00:00:00Z";
    a1.starred = "pending";
    Album a2 = Album::make("al-2", "Café", "Energy 52");
    a2.artistId = "ar-2";
    a2.artists = std::vector{artistNamed("ar-2", "Energy 52"), artistNamed("ar-7", "Paul Schmitz")};
    a2.year = 1993;
    a2.created = "2015-01-01T00:00:00Z";
    Album a3 = Album::make("al-3", "From Chaos", "311");
    a3.albumArtists = std::vector{artistNamed("ar-8", "Someone Else")};
    a3.year = 2001;
    a3.created = "2005-01-01T00:00:00Z";
    a3.starred = "2020-01-01T00:00:00Z";
    Album a4 = Album::make("al-4", "Bonus");
    a4.artists = std::vector{artistNamed("ar-1", "Beyoncé")};
    a4.created = "2001-01-01T00:00:00Z";
    return {a1, a2, a3, a4};
}

std::vector<Artist> artists() {
    return {artistNamed("ar-1", "Beyoncé"),
            artistNamed("ar-2", "Energy 52"),
            artistNamed("ar-3", "311"),
            artistNamed("ar-4", "Sean Paul"),
            artistNamed("ar-5", "Rodney Jerkins"),
            artistNamed("ar-6", "Various"),
            artistNamed("ar-7", "Paul Schmitz"),
            artistNamed("ar-8", "Someone Else"),
            artistNamed("ar-9", "Nobody")};
}

template <class T> Ids idsOf(const std::vector<T>& items) {
    Ids ids;
    for (const auto& item : items)
        ids.push_back(item.id);
    return ids;
}

class LibraryQueries : public test::StoreTest {
protected:
    void SetUp() override { open().ingest(SearchPage::make(artists(), albums(), songs()), "G1"); }
};

struct SongSortCase {
    SongSort sort;
    Ids expected;
};

TEST_F(LibraryQueries, EverySongSortHasItsOwnOrder) {
    const std::vector<SongSortCase> cases{
        {SongSort::title, {"s3", "s4", "s2", "s5", "s1"}},
        {SongSort::artist, {"s3", "s1", "s5", "s4", "s2"}},
        {SongSort::album, {"s2", "s3", "s4", "s1", "s5"}},
        {SongSort::added, {"s2", "s1", "s3", "s4", "s5"}},
        {SongSort::played, {"s3", "s1", "s2", "s5", "s4"}},
        {SongSort::playCount, {"s2", "s1", "s5", "s3", "s4"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(idsOf(repository->songs("", c.sort)), c.expected) << c.sort.rawValue();
        // An album lists its songs by disc and track whatever the sort.
        EXPECT_EQ(idsOf(repository->songs("", c.sort, false, "al-1")), (Ids{"s4", "s1", "s5"}))
            << c.sort.rawValue();
    }
}

struct SongFilterCase {
    const char* name;
    std::string query;
    bool favorite = false;
    std::optional<std::string> album;
    std::optional<std::string> artist;
    std::optional<std::string> genre;
    Ids expected;
};

TEST_F(LibraryQueries, SongFiltersCombine) {
    const std::vector<SongFilterCase> cases{
        {"favourites, a pending one included", "", true, {}, {}, {}, {"s3", "s1"}},
        {"album", "", false, "al-2", {}, {}, {"s2"}},
        {"album without songs", "", false, "al-4", {}, {}, {}},
        {"credited artist", "", false, {}, "ar-1", {}, {"s4", "s5", "s1"}},
        {"second credited artist", "", false, {}, "ar-4", {}, {"s4"}},
        {"contributor", "", false, {}, "ar-5", {}, {"s5"}},
        {"album artist", "", false, {}, "ar-6", {}, {"s3"}},
        {"genre label groups spellings", "", false, {}, {}, "Hip-Hop", {"s4", "s5"}},
        {"genre text without a genres list", "", false, {}, {}, "rock", {"s3"}},
        {"unknown genre", "", false, {}, {}, "Polka", {}},
        {"artist and genre", "", false, {}, "ar-1", "Pop", {"s4", "s1"}},
        {"text and favourite", "amb", true, {}, {}, {}, {"s3"}},
        {"text and album keeps disc order", "beyonce", false, "al-1", {}, {}, {"s4", "s1", "s5"}},
        {"empty text filters nothing", "", false, {}, {}, {}, {"s3", "s4", "s2", "s5", "s1"}},
        {"punctuation only filters nothing", " \"*-' ", false, {}, {}, {}, {"s3", "s4", "s2", "s5", "s1"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(idsOf(repository->songs(c.query, SongSort::title, c.favorite, c.album, c.artist, c.genre)),
                  c.expected)
            << c.name;
    }
}

struct SearchCase {
    std::string text;
    Ids songs;
};

TEST_F(LibraryQueries, TextMatchesWordPrefixesWithoutCaseOrAccents) {
    // Compared as sets: the order is the relevance ranking's.
    const std::vector<SearchCase> cases{
        {"beyonce", {"s1", "s4", "s5"}},
        {"BEYONCÉ", {"s1", "s4", "s5"}},
        {"cafe", {"s2"}},
        {"caf", {"s2"}},
        {"del ca", {"s2"}},
        {"mar del café", {"s2"}},
        {"chaos", {"s3"}},
        {"ha", {"s1"}},
        {"alo", {}},
        {"sean boy", {"s4"}},
        {"\"sean\" OR", {}},
        {"311", {"s3"}},
    };
    for (const auto& c : cases) {
        Ids found = idsOf(repository->songs(c.text, SongSort::title));
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.songs) << c.text;
    }
}

TEST_F(LibraryQueries, AnExactTitleComesFirstThenRelevance) {
    Song exact = Song::make("x1", "LOVE", "The Long Named Orchestra");
    exact.album = "Greatest Hits";
    Song strong = Song::make("x2", "Love Love Love", "Love");
    strong.album = "Love";
    Song weak = Song::make("x3", "Zebra", "Love Parade Orchestra of the Greater Region");
    weak.album = "Something";
    repository->ingest(SearchPage::make({}, {}, {weak, strong, exact}), "G1");

    EXPECT_EQ(idsOf(repository->songs("love", SongSort::title)), (Ids{"x1", "x2", "x3"}));
    // Without an exact title, relevance alone: the title weighs most.
    EXPECT_EQ(idsOf(repository->songs("lov", SongSort::title)), (Ids{"x2", "x1", "x3"}));
    // Another sort keeps its own order and ranks nothing.
    EXPECT_EQ(idsOf(repository->songs("love", SongSort::artist)), (Ids{"x2", "x3", "x1"}));
}

struct AlbumCase {
    const char* name;
    std::string query;
    AlbumSort sort;
    bool favorite = false;
    std::optional<std::string> artist;
    Ids expected;
};

TEST_F(LibraryQueries, AlbumSortsAndFilters) {
    const std::vector<AlbumCase> cases{
        {"title", "", AlbumSort::title, false, {}, {"al-4", "al-2", "al-3", "al-1"}},
        {"artist, empty artist first", "", AlbumSort::artist, false, {}, {"al-4", "al-3", "al-1", "al-2"}},
        {"year, newest first, none last", "", AlbumSort::year, false, {}, {"al-1", "al-3", "al-2", "al-4"}},
        {"added, newest first", "", AlbumSort::added, false, {}, {"al-2", "al-1", "al-3", "al-4"}},
        {"favourites, a pending one included", "", AlbumSort::title, true, {}, {"al-3", "al-1"}},
        {"artist by the album's artist identifier", "", AlbumSort::title, false, "ar-1", {"al-4", "al-1"}},
        {"artist in the artists list", "", AlbumSort::title, false, "ar-7", {"al-2"}},
        {"artist in the album artists list", "", AlbumSort::title, false, "ar-8", {"al-3"}},
        {"artist credited on a song only", "", AlbumSort::title, false, "ar-5", {"al-1"}},
        {"artist without albums", "", AlbumSort::title, false, "ar-9", {}},
        {"text in the title, without accent", "cafe", AlbumSort::title, false, {}, {"al-2"}},
        {"text in the artist", "beyon", AlbumSort::title, false, {}, {"al-1"}},
        {"text and favourite", "from", AlbumSort::title, true, {}, {"al-3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(idsOf(repository->albums(c.query, c.sort, c.favorite, c.artist)), c.expected) << c.name;
}

TEST_F(LibraryQueries, AlbumRelevanceComesBeforeTheSort) {
    repository->ingest(
        SearchPage::make({}, {Album::make("al-5", "Aardvark", "Paul"), Album::make("al-6", "Paul", "Zed")},
                         {}),
        "G1");
    // The title weighs more than the artist: "Paul" as title ranks first.
    EXPECT_EQ(idsOf(repository->albums("paul", AlbumSort::title)), (Ids{"al-6", "al-5"}));
}

TEST_F(LibraryQueries, ArtistsCountTheirDistinctAlbums) {
    std::vector<Artist> all = repository->artists("");
    Ids names;
    std::map<std::string, std::int64_t> counts;
    for (const auto& artist : all) {
        names.push_back(artist.name);
        counts[artist.id] = artist.albumCount.value_or(-1);
    }
    EXPECT_EQ(names, (Ids{"311", "Beyoncé", "Energy 52", "Nobody", "Paul Schmitz", "Rodney Jerkins",
                          "Sean Paul", "Someone Else", "Various"}));
    // al-1 counts once for ar-1 however many ways it is credited; al-4 through its artists list.
    EXPECT_EQ(counts, (std::map<std::string, std::int64_t>{{"ar-1", 2},
                                                           {"ar-2", 1},
                                                           {"ar-3", 1},
                                                           {"ar-4", 1},
                                                           {"ar-5", 1},
                                                           {"ar-6", 1},
                                                           {"ar-7", 1},
                                                           {"ar-8", 1},
                                                           {"ar-9", 0}}));

    std::vector<Artist> found = repository->artists("beyonce");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].albumCount, 2);
    Ids paul = idsOf(repository->artists("PAUL"));
    std::sort(paul.begin(), paul.end());
    EXPECT_EQ(paul, (Ids{"ar-4", "ar-7"}));
    EXPECT_TRUE(repository->artists("nothing here").empty());
}

TEST_F(LibraryQueries, SearchRunsTheThreeListsForOneText) {
    SearchResults results = repository->search("beyonce");
    EXPECT_EQ(idsOf(results.songs).size(), 3u);
    EXPECT_EQ(idsOf(results.albums), (Ids{"al-1"}));
    EXPECT_EQ(idsOf(results.artists), (Ids{"ar-1"}));
    EXPECT_EQ(results.count(), 5u);
}

TEST_F(LibraryQueries, SingleItemsAndTheCount) {
    EXPECT_EQ(repository->songCount(), 5);
    EXPECT_EQ(repository->song("s5"), songs()[4]);
    EXPECT_EQ(repository->song("nope"), std::nullopt);
    EXPECT_EQ(repository->album("al-2"), albums()[1]);
    EXPECT_EQ(repository->album("nope"), std::nullopt);
}

TEST_F(LibraryQueries, GenreLabelsFollowTheStoredSongs) {
    EXPECT_EQ(repository->genres(), (Ids{"Electronic", "Hip-Hop", "Pop", "Rock"}));
    EXPECT_EQ(repository->genres(), (Ids{"Electronic", "Hip-Hop", "Pop", "Rock"}));
    Song jazz = Song::make("s6", "So What");
    jazz.genre = "Jazz";
    repository->ingest(SearchPage::make({}, {}, {jazz}), "G1");
    EXPECT_EQ(repository->genres(), (Ids{"Electronic", "Hip-Hop", "Jazz", "Pop", "Rock"}));
    EXPECT_EQ(idsOf(repository->songs("", SongSort::title, false, {}, {}, "jazz")), (Ids{"s6"}));
}

TEST_F(LibraryQueries, AStoredRowThatNoLongerDecodesFailsEveryReadThatReturnsIt) {
    raw().execute("UPDATE songs SET json='{\"id\":7}' WHERE id='s3'");
    EXPECT_THROW(repository->songs("", SongSort::title), DecodingError);
    EXPECT_THROW(repository->song("s3"), DecodingError);
    EXPECT_THROW(repository->listeningStatistics(), DecodingError);
    EXPECT_EQ(idsOf(repository->songs("", SongSort::title, false, "al-1")), (Ids{"s4", "s1", "s5"}));
}

TEST_F(LibraryQueries, ListeningStatisticsKnowWhetherARunFinished) {
    ListeningStatistics before = repository->listeningStatistics();
    EXPECT_EQ(before.librarySongs, 5);
    EXPECT_EQ(before.libraryAlbums, 4);
    EXPECT_EQ(before.libraryArtists, 9);
    EXPECT_EQ(before.totalPlays, 59);
    EXPECT_EQ(before.lastSync, std::nullopt);
    EXPECT_TRUE(before.isPartial);

    repository->finishSync("G1");
    ListeningStatistics finished = repository->listeningStatistics();
    EXPECT_EQ(finished.lastSync, "2024-05-01T12:34:56Z");
    EXPECT_FALSE(finished.isPartial);

    repository->ingest(SearchPage::make({}, {}, {}), "G2", "{\"offset\":0}");
    EXPECT_TRUE(repository->listeningStatistics().isPartial);
}

TEST_F(LibraryQueries, ListeningStatisticsStopWhenCancelled) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(repository->listeningStatistics(stop.get_token()), CancellationError);
    // The store stays usable.
    EXPECT_EQ(repository->listeningStatistics().librarySongs, 5);
}

} // namespace
} // namespace sorvalind
