#include "store_test_support.h"

#include "errors/database_error.h"
#include "library/json_coding.h"

namespace sorvalind::test {
namespace {

using IngestTest = StoreTest;

Song song(const std::string& id, const std::string& title = "Title") {
    auto song = Song::make(id, title, "Ann", "al1");
    song.album = "Album";
    song.artistId = "ar1";
    song.genre = "Rock";
    return song;
}

SearchPage page(std::vector<Song> songs, std::vector<Album> albums = {}, std::vector<Artist> artists = {}) {
    return SearchPage::make(std::move(artists), std::move(albums), std::move(songs));
}

SearchPage fullPage() {
    return page({song("s1"), song("s2")}, {Album::make("al1", "Album", "Ann")}, {Artist::make("ar1", "Ann")});
}

TEST_F(IngestTest, SamePageAgainChangesNothingAndANewGenerationOnlyRestamps) {
    auto& store = open();
    store.ingest(fullPage(), "g1");
    EXPECT_EQ(store.revisions(), (LibraryRevisions{2, 1, 1, 0, 2}));
    auto ftsRows = column("SELECT rowid FROM song_fts ORDER BY rowid");

    store.ingest(fullPage(), "g1");
    EXPECT_EQ(store.revisions(), (LibraryRevisions{2, 1, 1, 0, 2}));
    store.ingest(fullPage(), "g2");
    EXPECT_EQ(store.revisions(), (LibraryRevisions{2, 1, 1, 0, 2}));
    EXPECT_EQ(column("SELECT DISTINCT generation FROM songs UNION SELECT generation FROM albums UNION "
                     "SELECT generation FROM artists"),
              std::vector<std::string>{"g2"});
    EXPECT_EQ(column("SELECT rowid FROM song_fts ORDER BY rowid"), ftsRows);
    EXPECT_EQ(value("SELECT json FROM songs WHERE id='s1'"), toJSONText(song("s1")));
}

TEST_F(IngestTest, SongColumnsCreditsAndGenres) {
    auto& store = open();
    auto plain = Song::make("plain", "Plain");
    auto credited = song("credited");
    credited.artists = std::vector<Artist>{Artist::make("ar2", "Bo"), Artist::make("ar3", "Cy")};
    credited.albumArtists = std::vector<Artist>{Artist::make("ar2", "Bo")};
    credited.contributors =
        std::vector<Contributor>{Contributor::make("composer", std::nullopt, Artist::make("ar4", "Di")),
                                 Contributor::make("composer", "x", Artist::make("ar4", "Dee"))};
    credited.genres = std::vector<ItemGenre>{{"Jazz"}, {"Pop"}, {"Jazz"}};
    credited.discNumber = 2;
    credited.track = 7;
    credited.starred = "2024-01-01T00:00:00Z";
    credited.userRating = 4;
    credited.playCount = 9;
    credited.created = "2023-01-01";
    credited.played = "2024-02-02";
    auto emptyGenres = song("emptyGenres");
    emptyGenres.genres = std::vector<ItemGenre>{};
    store.ingest(page({plain, credited, song("fallback"), emptyGenres}), "g");

    EXPECT_EQ(
        column(
            "SELECT id||'|'||title||'|'||artist||'|'||album||'|'||ifnull(album_id,'NULL')||'|'||disc||'|'||"
            "track||'|'||starred||'|'||rating||'|'||play_count||'|'||ifnull(created,'NULL')||'|'||"
            "ifnull(played,'NULL')||'|'||typeof(disc) FROM songs ORDER BY id"),
        (std::vector<std::string>{
            "credited|Title|Bo, Cy|Album|al1|2|7|1|4|9|2023-01-01|2024-02-02|integer",
            "emptyGenres|Title|Ann|Album|al1|1|0|0|0|0|NULL|NULL|integer",
            "fallback|Title|Ann|Album|al1|1|0|0|0|0|NULL|NULL|integer",
            "plain|Plain|Unknown Artist||NULL|1|0|0|0|0|NULL|NULL|integer",
        }));
    // A repeated (song, artist, role) keeps the later credit.
    EXPECT_EQ(
        column("SELECT song_id||' '||artist_id||' '||name||' '||role FROM song_artists ORDER BY song_id,role,"
               "artist_id"),
        (std::vector<std::string>{"credited ar2 Bo albumArtist", "credited ar2 Bo artist",
                                  "credited ar3 Cy artist", "credited ar4 Dee composer",
                                  "emptyGenres ar1 Ann artist", "fallback ar1 Ann artist"}));
    EXPECT_EQ(column("SELECT song_id||' '||name FROM song_genres ORDER BY song_id,name"),
              (std::vector<std::string>{"credited Jazz", "credited Pop", "fallback Rock"}));
}

TEST_F(IngestTest, GenreCounterMovesOnlyWhenTheSetOfNamesChanges) {
    auto& store = open();
    store.ingest(page({song("s1")}), "g");
    auto renamed = song("s1", "Other title");
    store.ingest(page({renamed}), "g");
    EXPECT_EQ(store.revisions().songs, 2);
    EXPECT_EQ(store.revisions().genres, 1);
    renamed.genres = std::vector<ItemGenre>{{"Rock"}, {"Rock"}};
    store.ingest(page({renamed}), "g");
    EXPECT_EQ(store.revisions().genres, 1);
    renamed.genres = std::vector<ItemGenre>{};
    store.ingest(page({renamed}), "g");
    EXPECT_EQ(store.revisions().genres, 2);
}

TEST_F(IngestTest, SongRepeatedInAPageEndsAsItsLastCopy) {
    auto& store = open();
    store.ingest(page({song("s1")}), "g");
    const auto before = store.revisions();
    auto first = song("s1", "First copy");
    first.artists = std::vector<Artist>{Artist::make("ar2", "Bo")};
    first.genres = std::vector<ItemGenre>{{"Jazz"}};
    auto last = song("s1", "Last copy");
    last.artists = std::vector<Artist>{Artist::make("ar3", "Cy")};
    last.genres = std::vector<ItemGenre>{{"Pop"}};
    auto album = Album::make("al1", "Album", "Ann");
    auto renamed = Album::make("al1", "Renamed", "Ann");
    store.ingest(page({first, song("s2"), last}, {album, renamed}), "g");

    // Each copy is a change from the one before it, as if written one by one.
    EXPECT_EQ(store.revisions().songs, before.songs + 3);
    EXPECT_EQ(store.revisions().genres, before.genres + 3);
    EXPECT_EQ(value("SELECT json FROM songs WHERE id='s1'"), toJSONText(last));
    EXPECT_EQ(column("SELECT artist_id||' '||role FROM song_artists WHERE song_id='s1'"),
              std::vector<std::string>{"ar3 artist"});
    EXPECT_EQ(column("SELECT name FROM song_genres WHERE song_id='s1'"), std::vector<std::string>{"Pop"});
    EXPECT_EQ(column("SELECT title FROM song_fts WHERE id='s1'"), std::vector<std::string>{"Last copy"});
    EXPECT_EQ(value("SELECT json FROM albums"), toJSONText(renamed));
    EXPECT_EQ(column("SELECT title FROM album_fts"), std::vector<std::string>{"Renamed"});
}

TEST_F(IngestTest, PageLargerThanOneStatementWritesEveryRowOnce) {
    auto& store = open();
    // 345 rows go out as statements of 256, 64, 16 and 4 rows and single rows.
    std::vector<Song> songs;
    for (int index = 0; index < 345; ++index)
        songs.push_back(song("s" + std::to_string(index), "Title " + std::to_string(index)));
    store.ingest(page(songs), "g1");
    for (const char* table : {"songs", "song_fts", "song_artists", "song_genres"})
        EXPECT_EQ(value(std::string("SELECT count(*) FROM ") + table), "345") << table;
    EXPECT_EQ(value("SELECT title FROM songs WHERE id='s344'"), "Title 344");

    // Every other song changes its title: those rows, and only their search
    // entries, are rewritten; the rest are re-stamped.
    for (std::size_t index = 0; index < songs.size(); index += 2)
        songs[index].title = "Renamed " + std::to_string(index);
    store.ingest(page(songs), "g2");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts WHERE title LIKE 'Renamed%'"), "173");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts"), "345");
    EXPECT_EQ(value("SELECT count(*) FROM song_artists"), "345");
    EXPECT_EQ(column("SELECT DISTINCT generation FROM songs"), std::vector<std::string>{"g2"});
    EXPECT_EQ(store.songs("Renamed", SongSort::title).size(), 173u);
}

TEST_F(IngestTest, QueuedEditsOverrideTheServerUntilAcknowledged) {
    auto& store = open();
    auto served = song("s1");
    served.userRating = 2;
    auto album = Album::make("al1", "Album", "Ann");
    auto artist = Artist::make("ar1", "Ann");
    artist.starred = "2020-01-01";
    store.ingest(page({served}, {album}, {artist}), "g1");
    store.edit(served, "favorite", 1);
    store.edit(served, "rating", 5);
    store.edit(album, "favorite", 1);
    store.edit(artist, "favorite", 0);

    store.ingest(page({served}, {album}, {artist}), "g2");
    auto stored = fromJSONText<Song>(value("SELECT json FROM songs WHERE id='s1'"));
    EXPECT_EQ(stored.starred, "pending");
    EXPECT_EQ(stored.userRating, 5);
    EXPECT_EQ(value("SELECT starred||rating FROM songs WHERE id='s1'"), "15");
    EXPECT_EQ(fromJSONText<Album>(value("SELECT json FROM albums")).starred, "pending");
    EXPECT_EQ(fromJSONText<Artist>(value("SELECT json FROM artists")).starred, std::nullopt);

    for (const auto& edit : store.pendingEdits())
        store.acknowledge(edit);
    store.ingest(page({served}, {album}, {artist}), "g3");
    EXPECT_EQ(value("SELECT json FROM songs WHERE id='s1'"), toJSONText(served));
    EXPECT_EQ(value("SELECT json FROM albums"), toJSONText(album));
    EXPECT_EQ(value("SELECT json FROM artists"), toJSONText(artist));
}

TEST_F(IngestTest, CheckpointIsWrittenWithThePageAndFinishClearsIt) {
    auto& store = open();
    store.ingest(fullPage(), "g", std::string("{\"songs\":500}"));
    EXPECT_EQ(store.state("syncCheckpoint"), "{\"songs\":500}");
    store.finishSync("g");
    EXPECT_EQ(store.state("syncCheckpoint"), std::nullopt);
    EXPECT_EQ(store.state("lastSync"), "2024-05-01T12:34:56Z");
}

TEST_F(IngestTest, FinishDeletesWhatTheRunDidNotSee) {
    auto& store = open();
    store.ingest(fullPage(), "g1");
    store.edit(Album::make("detail-album", "Elsewhere"), "rating", 3);
    auto before = store.revisions();

    store.ingest(fullPage(), "g2");
    store.finishSync("g2");
    // Only the album that an edit stored moves a counter.
    EXPECT_EQ(store.revisions(),
              (LibraryRevisions{before.songs, before.albums + 1, before.artists, 0, before.genres}));
    EXPECT_EQ(value("SELECT count(*) FROM albums"), "1");

    store.ingest(page({song("s1")}, {}, {}), "g3");
    store.finishSync("g3");
    EXPECT_EQ(store.revisions(), (LibraryRevisions{before.songs + 1, before.albums + 2, before.artists + 1, 0,
                                                   before.genres + 1}));
    EXPECT_EQ(column("SELECT id FROM songs"), std::vector<std::string>{"s1"});
    EXPECT_EQ(value("SELECT count(*) FROM song_artists WHERE song_id='s2'"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts WHERE id='s2'"), "0");
}

// Pages leave their search segments unmerged while a sync writes them; the
// end of the sync restores the usual merging and merges what gathered, so a
// search afterwards reads few segments and finds every row. A sync that never
// ends (killed, cancelled) leaves the relaxed setting for the next one.
TEST_F(IngestTest, FinishMergesTheSearchSegmentsThePagesLeft) {
    auto& store = open();
    auto segments = [&](const std::string& table) {
        return std::stoi(value("SELECT count(DISTINCT segid) FROM " + table + "_idx"));
    };
    for (int i = 0; i < 40; ++i) {
        auto n = std::to_string(i);
        store.ingest(page({song("s" + n, "Lumen " + n)}, {Album::make("al" + n, "Lumen album " + n, "Ann")},
                          {Artist::make("ar" + n, "Lumen artist " + n)}),
                     "g1", "{\"page\":" + n + "}");
    }
    for (const char* table : {"song_fts", "album_fts", "artist_fts"}) {
        EXPECT_GT(segments(table), 8) << table;
        EXPECT_NE(value(std::string("SELECT v FROM ") + table + "_config WHERE k='automerge'"), "4") << table;
    }

    store.finishSync("g1");
    for (const char* table : {"song_fts", "album_fts", "artist_fts"}) {
        EXPECT_LE(segments(table), 4) << table;
        EXPECT_EQ(value(std::string("SELECT v FROM ") + table + "_config WHERE k='automerge'"), "4") << table;
    }
    const auto found = store.search("Lumen");
    EXPECT_EQ(found.songs.size(), 40u);
    EXPECT_EQ(found.albums.size(), 40u);
    EXPECT_EQ(found.artists.size(), 40u);
    EXPECT_EQ(value("SELECT count(*) FROM song_fts WHERE song_fts MATCH 'lum*'"), "40");
}

// Large removals take the search entries out in one pass: the right entries
// go, the stored schema is the same text afterwards, and the triggers still
// keep the search tables in step with later single-row changes.
TEST_F(IngestTest, LargeRemovalKeepsSearchAndSchemaInStep) {
    auto& store = open();
    std::vector<Song> songs;
    std::vector<Album> albums;
    std::vector<Artist> artists;
    for (int i = 0; i < 60; ++i) {
        auto n = std::to_string(i);
        songs.push_back(song("s" + n, "Title " + n));
        albums.push_back(Album::make("al" + n, "Album " + n, "Ann"));
        artists.push_back(Artist::make("ar" + n, "Artist " + n));
    }
    store.ingest(page(songs, albums, artists), "g1");
    auto schema = column("SELECT sql FROM sqlite_master ORDER BY name");

    store.ingest(page({songs.begin(), songs.begin() + 10}, {albums.begin(), albums.begin() + 10},
                      {artists.begin(), artists.begin() + 10}),
                 "g2");
    store.finishSync("g2");
    EXPECT_EQ(column("SELECT sql FROM sqlite_master ORDER BY name"), schema);
    for (const char* table : {"songs", "albums", "artists"}) {
        std::string search = std::string(table).substr(0, std::string(table).size() - 1) + "_fts";
        EXPECT_EQ(column("SELECT id FROM " + search + " ORDER BY id"),
                  column(std::string("SELECT id FROM ") + table + " ORDER BY id"))
            << table;
    }
    EXPECT_EQ(value("SELECT count(*) FROM songs"), "10");

    // One more removal, below the bulk size, goes through the restored triggers.
    store.ingest(page({songs.begin(), songs.begin() + 9}, {albums.begin(), albums.begin() + 9},
                      {artists.begin(), artists.begin() + 9}),
                 "g3");
    store.finishSync("g3");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts WHERE id='s9'"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM album_fts WHERE id='al9'"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM artist_fts WHERE id='ar9'"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts"), "9");
}

// A song stored with JSON this version cannot read, in the middle of a page:
// the rows before it, the checkpoint and the counters all stay as they were.
TEST_F(IngestTest, BadStoredRowRollsThePageBack) {
    auto& store = open();
    store.ingest(page({song("s2")}), "g1");
    raw().execute("UPDATE songs SET json='{\"id\":\"s2\"}' WHERE id='s2'");
    auto before = store.revisions();

    auto changed = song("s2", "New title");
    EXPECT_THROW(store.ingest(page({song("s1"), changed, song("s3")}, {Album::make("al1", "Album")},
                                   {Artist::make("ar1", "Ann")}),
                              "g2", std::string("checkpoint")),
                 DecodingError);
    EXPECT_EQ(store.revisions(), before);
    EXPECT_EQ(column("SELECT id FROM songs"), std::vector<std::string>{"s2"});
    EXPECT_EQ(value("SELECT count(*) FROM albums"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts"), "1");
    EXPECT_EQ(store.state("syncCheckpoint"), std::nullopt);
}

// An edits list that cannot be read to its end must fail the page: a page
// written without the lost edits would overwrite the user's favourites.
TEST_F(IngestTest, FailingEditsReadFailsThePageInsteadOfDroppingEdits) {
    auto& store = open();
    store.ingest(page({song("s1")}), "g1");
    store.edit(song("s1"), "favorite", 1);
    // The second row of this view fails while it is stepped (integer
    // overflow), after the first was read.
    raw().execute(
        "ALTER TABLE edits RENAME TO edits_stored; CREATE VIEW edits AS SELECT id,song_id,kind,value,"
        "target FROM edits_stored UNION ALL SELECT 'x','y','rating',abs(-9223372036854775808),'song';");

    EXPECT_THROW(store.pendingEdits(), DatabaseError);
    EXPECT_THROW(store.ingest(page({song("s1")}), "g2"), DatabaseError);
    EXPECT_EQ(value("SELECT generation||starred FROM songs WHERE id='s1'"), "g11");
}

TEST_F(IngestTest, CachedDetailsKeepLocalAndPlayState) {
    auto& store = open();
    auto stored = song("s1");
    stored.starred = "2024-01-01";
    stored.userRating = 4;
    stored.playCount = 3;
    stored.played = "2024-03-03";
    stored.created = "2023-03-03";
    store.ingest(page({stored}), "g1");
    auto before = store.revisions();

    auto fetched = song("s1");
    fetched.comment = "Liner notes";
    fetched.bitRate = 320;
    fetched.genres = std::vector<ItemGenre>{{"Jazz"}};
    fetched.playCount = 99;
    fetched.played = "2025-01-01";
    fetched.created = "1999-01-01";
    fetched.userRating = 1;
    auto merged = store.cacheSongDetails(fetched);

    EXPECT_EQ(merged.comment, "Liner notes");
    EXPECT_EQ(merged.bitRate, 320);
    EXPECT_EQ(merged.starred, "2024-01-01");
    EXPECT_EQ(merged.userRating, 4);
    EXPECT_EQ(merged.playCount, 3);
    EXPECT_EQ(merged.played, "2024-03-03");
    EXPECT_EQ(merged.created, "2023-03-03");
    EXPECT_EQ(value("SELECT json FROM songs WHERE id='s1'"), toJSONText(merged));
    EXPECT_EQ(value("SELECT generation FROM songs WHERE id='s1'"), "g1");
    EXPECT_EQ(store.revisions().songs, before.songs + 1);
    EXPECT_EQ(store.revisions().genres, before.genres + 1);

    auto unknown = song("unknown");
    EXPECT_EQ(store.cacheSongDetails(unknown), unknown);
    EXPECT_EQ(value("SELECT count(*) FROM songs WHERE id='unknown'"), "0");
}

} // namespace
} // namespace sorvalind::test
