#include "old_library_files.h"
#include "store_test_support.h"

#include "errors/database_error.h"
#include "library/json_coding.h"

#include <fstream>
#include <iterator>

namespace sorvalind::test {
namespace {

using SchemaTest = StoreTest;

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::vector<std::string> currentObjects = {"album_fts",
                                                 "albums",
                                                 "albums_ad",
                                                 "albums_ai",
                                                 "albums_au",
                                                 "artist_fts",
                                                 "artists",
                                                 "artists_ad",
                                                 "artists_ai",
                                                 "artists_au",
                                                 "downloads",
                                                 "edits",
                                                 "playlist_entries",
                                                 "playlists",
                                                 "song_artists",
                                                 "song_artists_artist",
                                                 "song_fts",
                                                 "song_genres",
                                                 "song_genres_name",
                                                 "songs",
                                                 "songs_ad",
                                                 "songs_ai",
                                                 "songs_album",
                                                 "songs_artist",
                                                 "songs_au",
                                                 "songs_title",
                                                 "state"};

// Every object the program made (SQLite's own and the full-text shadow
// tables left out), with its text.
const char* schemaQuery =
    "SELECT type||' '||name||': '||sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT "
    "LIKE '%fts_%' ORDER BY name";

TEST_F(SchemaTest, NewFileGetsTheWholeCurrentSchema) {
    open();
    EXPECT_EQ(value("PRAGMA user_version"), "6");
    EXPECT_EQ(value("PRAGMA journal_mode"), "wal");
    EXPECT_EQ(
        column("SELECT name FROM sqlite_master WHERE name NOT LIKE '%fts_%' AND name NOT LIKE 'sqlite_%' "
               "ORDER BY name"),
        currentObjects);
    EXPECT_EQ(column("SELECT name FROM pragma_table_info('edits') ORDER BY cid"),
              (std::vector<std::string>{"id", "song_id", "kind", "value", "target"}));
    EXPECT_EQ(
        column("SELECT name FROM pragma_table_info('songs') ORDER BY cid"),
        (std::vector<std::string>{"id", "title", "artist", "album", "album_id", "disc", "track", "starred",
                                  "rating", "play_count", "created", "played", "json", "generation"}));
    EXPECT_EQ(value("SELECT sql FROM sqlite_master WHERE name='songs_au'"),
              "CREATE TRIGGER songs_au AFTER UPDATE ON songs WHEN old.title != new.title OR old.artist != "
              "new.artist OR old.album != new.album BEGIN DELETE FROM song_fts WHERE id=old.id; INSERT INTO "
              "song_fts VALUES(new.id,new.title,new.artist,new.album); END");
}

// The file format is fixed: every object's text, the full-text tables' own
// included, is exactly what the earliest files hold, and writing and
// finishing a synchronisation leaves it so.
TEST_F(SchemaTest, TheSchemaTextIsUnchangedByteForByte) {
    const std::vector<std::string> expected = {
        "table album_fts: CREATE VIRTUAL TABLE album_fts USING fts5(id "
        "UNINDEXED,title,artist,tokenize='unicode61 remove_diacritics 2',prefix='2 3 4')",
        "table album_fts_config: CREATE TABLE 'album_fts_config'(k PRIMARY KEY, v) WITHOUT ROWID",
        "table album_fts_content: CREATE TABLE 'album_fts_content'(id INTEGER PRIMARY KEY, c0, c1, c2)",
        "table album_fts_data: CREATE TABLE 'album_fts_data'(id INTEGER PRIMARY KEY, block BLOB)",
        "table album_fts_docsize: CREATE TABLE 'album_fts_docsize'(id INTEGER PRIMARY KEY, sz BLOB)",
        "table album_fts_idx: CREATE TABLE 'album_fts_idx'(segid, term, pgno, PRIMARY KEY(segid, term)) "
        "WITHOUT ROWID",
        "table albums: CREATE TABLE albums(id TEXT PRIMARY KEY,title TEXT NOT NULL,artist TEXT NOT NULL,json "
        "TEXT NOT NULL,generation TEXT NOT NULL)",
        "trigger albums_ad: CREATE TRIGGER albums_ad AFTER DELETE ON albums BEGIN DELETE FROM album_fts "
        "WHERE id=old.id; END",
        "trigger albums_ai: CREATE TRIGGER albums_ai AFTER INSERT ON albums BEGIN INSERT INTO album_fts "
        "VALUES(new.id,new.title,new.artist); END",
        "trigger albums_au: CREATE TRIGGER albums_au AFTER UPDATE ON albums WHEN old.title != new.title OR "
        "old.artist != new.artist BEGIN DELETE FROM album_fts WHERE id=old.id; INSERT INTO album_fts "
        "VALUES(new.id,new.title,new.artist); END",
        "table artist_fts: CREATE VIRTUAL TABLE artist_fts USING fts5(id UNINDEXED,name,tokenize='unicode61 "
        "remove_diacritics 2',prefix='2 3 4')",
        "table artist_fts_config: CREATE TABLE 'artist_fts_config'(k PRIMARY KEY, v) WITHOUT ROWID",
        "table artist_fts_content: CREATE TABLE 'artist_fts_content'(id INTEGER PRIMARY KEY, c0, c1)",
        "table artist_fts_data: CREATE TABLE 'artist_fts_data'(id INTEGER PRIMARY KEY, block BLOB)",
        "table artist_fts_docsize: CREATE TABLE 'artist_fts_docsize'(id INTEGER PRIMARY KEY, sz BLOB)",
        "table artist_fts_idx: CREATE TABLE 'artist_fts_idx'(segid, term, pgno, PRIMARY KEY(segid, term)) "
        "WITHOUT ROWID",
        "table artists: CREATE TABLE artists(id TEXT PRIMARY KEY,name TEXT NOT NULL,json TEXT NOT "
        "NULL,generation TEXT NOT NULL)",
        "trigger artists_ad: CREATE TRIGGER artists_ad AFTER DELETE ON artists BEGIN DELETE FROM artist_fts "
        "WHERE id=old.id; END",
        "trigger artists_ai: CREATE TRIGGER artists_ai AFTER INSERT ON artists BEGIN INSERT INTO artist_fts "
        "VALUES(new.id,new.name); END",
        "trigger artists_au: CREATE TRIGGER artists_au AFTER UPDATE ON artists WHEN old.name != new.name "
        "BEGIN DELETE FROM artist_fts WHERE id=old.id; INSERT INTO artist_fts VALUES(new.id,new.name); END",
        "table downloads: CREATE TABLE downloads(id TEXT PRIMARY KEY,song_id TEXT NOT NULL,quality TEXT NOT "
        "NULL,json TEXT NOT NULL)",
        "table edits: CREATE TABLE edits(id TEXT PRIMARY KEY,song_id TEXT NOT NULL,kind TEXT NOT NULL,value "
        "INTEGER NOT NULL, target TEXT NOT NULL DEFAULT 'song')",
        "table playlist_entries: CREATE TABLE playlist_entries(playlist_id TEXT NOT NULL REFERENCES "
        "playlists(id) ON DELETE CASCADE,position INTEGER NOT NULL,song_id TEXT NOT NULL,json TEXT NOT "
        "NULL,PRIMARY KEY(playlist_id,position))",
        "table playlists: CREATE TABLE playlists(id TEXT PRIMARY KEY,name TEXT NOT NULL,json TEXT NOT NULL)",
        "table song_artists: CREATE TABLE song_artists(song_id TEXT NOT NULL REFERENCES songs(id) ON DELETE "
        "CASCADE,artist_id TEXT NOT NULL,name TEXT NOT NULL,role TEXT NOT NULL,PRIMARY "
        "KEY(song_id,artist_id,role))",
        "index song_artists_artist: CREATE INDEX song_artists_artist ON song_artists(artist_id,song_id)",
        "table song_fts: CREATE VIRTUAL TABLE song_fts USING fts5(id "
        "UNINDEXED,title,artist,album,tokenize='unicode61 remove_diacritics 2',prefix='2 3 4')",
        "table song_fts_config: CREATE TABLE 'song_fts_config'(k PRIMARY KEY, v) WITHOUT ROWID",
        "table song_fts_content: CREATE TABLE 'song_fts_content'(id INTEGER PRIMARY KEY, c0, c1, c2, c3)",
        "table song_fts_data: CREATE TABLE 'song_fts_data'(id INTEGER PRIMARY KEY, block BLOB)",
        "table song_fts_docsize: CREATE TABLE 'song_fts_docsize'(id INTEGER PRIMARY KEY, sz BLOB)",
        "table song_fts_idx: CREATE TABLE 'song_fts_idx'(segid, term, pgno, PRIMARY KEY(segid, term)) "
        "WITHOUT ROWID",
        "table song_genres: CREATE TABLE song_genres(song_id TEXT NOT NULL REFERENCES songs(id) ON DELETE "
        "CASCADE,name TEXT NOT NULL,PRIMARY KEY(song_id,name))",
        "index song_genres_name: CREATE INDEX song_genres_name ON song_genres(name COLLATE BINARY,song_id)",
        "table songs: CREATE TABLE songs(id TEXT PRIMARY KEY,title TEXT NOT NULL,artist TEXT NOT NULL,album "
        "TEXT NOT NULL,album_id TEXT,disc INTEGER,track INTEGER,starred INTEGER NOT NULL,rating "
        "INTEGER,play_count INTEGER,created TEXT,played TEXT,json TEXT NOT NULL,generation TEXT NOT NULL)",
        "trigger songs_ad: CREATE TRIGGER songs_ad AFTER DELETE ON songs BEGIN DELETE FROM song_fts WHERE "
        "id=old.id; END",
        "trigger songs_ai: CREATE TRIGGER songs_ai AFTER INSERT ON songs BEGIN INSERT INTO song_fts "
        "VALUES(new.id,new.title,new.artist,new.album); END",
        "index songs_album: CREATE INDEX songs_album ON songs(album_id,disc,track)",
        "index songs_artist: CREATE INDEX songs_artist ON songs(artist COLLATE NOCASE)",
        "trigger songs_au: CREATE TRIGGER songs_au AFTER UPDATE ON songs WHEN old.title != new.title OR "
        "old.artist != new.artist OR old.album != new.album BEGIN DELETE FROM song_fts WHERE id=old.id; "
        "INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END",
        "index songs_title: CREATE INDEX songs_title ON songs(title COLLATE NOCASE)",
        "index sqlite_autoindex_albums_1: ",
        "index sqlite_autoindex_artists_1: ",
        "index sqlite_autoindex_downloads_1: ",
        "index sqlite_autoindex_edits_1: ",
        "index sqlite_autoindex_playlist_entries_1: ",
        "index sqlite_autoindex_playlists_1: ",
        "index sqlite_autoindex_song_artists_1: ",
        "index sqlite_autoindex_song_genres_1: ",
        "index sqlite_autoindex_songs_1: ",
        "index sqlite_autoindex_state_1: ",
        "table state: CREATE TABLE state(key TEXT PRIMARY KEY,value TEXT NOT NULL)"};
    auto& store = open();
    const char* everything =
        "SELECT type||' '||name||': '||coalesce(sql,'') FROM sqlite_master ORDER BY name";
    EXPECT_EQ(column(everything), expected);

    std::vector<Song> songs;
    for (int index = 0; index < 40; ++index)
        songs.push_back(Song::make("s" + std::to_string(index), "Song " + std::to_string(index)));
    store.ingest(SearchPage::make({}, {}, songs), "g1");
    store.finishSync("g1");
    store.ingest(SearchPage::make({}, {}, {songs.front()}), "g2");
    store.finishSync("g2");
    EXPECT_EQ(column(everything), expected);
}

// Each earlier version, with the data its migrations must carry over.
struct OldFile {
    int version;
    bool repairsDownloadJobs;
    bool addsCredits;
};

void PrintTo(const OldFile& file, std::ostream* out) {
    *out << "version " << file.version;
}

class MigrationTest : public StoreTest, public ::testing::WithParamInterface<OldFile> {};

TEST_P(MigrationTest, EarlierVersionEndsWithTheCurrentSchemaAndKeepsItsData) {
    const auto old = GetParam();
    {
        auto database = createLibraryFile(file(), old.version);
        database.execute(R"(
INSERT INTO songs VALUES('s1','One','Ann','','a1',1,1,0,0,0,NULL,NULL,'{"artist":"Ann","artistId":"ar1","id":"s1","title":"One"}','g');
INSERT INTO songs VALUES('s2','Two','Bo','','a1',1,2,0,0,0,NULL,NULL,'{"artistId":"ar2","artists":[{"id":"ar2","name":"Bo"}],"id":"s2","title":"Two"}','g');
INSERT INTO songs VALUES('s3','Three','Unknown Artist','','a1',1,3,0,0,0,NULL,NULL,'{"id":"s3","title":"Three"}','g');
INSERT INTO song_artists VALUES('s2','ar2','Bo','artist');
INSERT INTO edits(id,song_id,kind,value) VALUES('s1:favorite','s1','favorite',1);
INSERT INTO state VALUES('downloadJobs','[{"song":"s1","error":"boom"},{"song":"s2"}]');
CREATE TABLE filler(x); INSERT INTO filler VALUES(zeroblob(200000)); DROP TABLE filler;
)");
    }
    ASSERT_GT(std::stoi(value("PRAGMA freelist_count")), 0);

    auto& store = open();

    EXPECT_EQ(value("PRAGMA user_version"), "6");
    // The migrated file and a new one hold the same objects, texts included.
    auto migrated = column(schemaQuery);
    test::TempDir other;
    LibraryRepository fresh((other.path() / "Library.sqlite").string(), mainActor);
    auto expected = [&] {
        Database database((other.path() / "Library.sqlite").string(), SQLITE_OPEN_READONLY);
        auto statement = database.prepare(schemaQuery);
        std::vector<std::string> rows;
        while (statement.step())
            rows.emplace_back(*statement.columnText(0));
        return rows;
    }();
    EXPECT_EQ(migrated, expected);

    EXPECT_EQ(store.pendingEdits(), (std::vector<LibraryRepository::PendingEdit>{
                                        {"s1:favorite", "s1", "favorite", 1, LibraryItemKind::song}}));
    EXPECT_EQ(
        column("SELECT song_id||' '||artist_id||' '||name||' '||role FROM song_artists ORDER BY song_id"),
        old.addsCredits ? (std::vector<std::string>{"s1 ar1 Ann artist", "s2 ar2 Bo artist"})
                        : (std::vector<std::string>{"s2 ar2 Bo artist"}));
    EXPECT_EQ(value("SELECT value FROM state WHERE key='downloadJobs'"),
              old.repairsDownloadJobs ? R"([{"song":"s1"},{"song":"s2"}])"
                                      : R"([{"song":"s1","error":"boom"},{"song":"s2"}])");
    // Only the migrations through the job-list repair compact the file.
    if (old.repairsDownloadJobs)
        EXPECT_EQ(value("PRAGMA freelist_count"), "0");
    else
        EXPECT_NE(value("PRAGMA freelist_count"), "0");
}

INSTANTIATE_TEST_SUITE_P(EveryEarlierVersion, MigrationTest,
                         ::testing::Values(OldFile{1, true, true}, OldFile{2, true, true},
                                           OldFile{3, false, true}, OldFile{4, false, true},
                                           OldFile{5, false, false}, OldFile{6, false, false}),
                         [](const auto& info) { return "version" + std::to_string(info.param.version); });

TEST_F(SchemaTest, UnreadableDownloadJobsAreDropped) {
    {
        auto database = createLibraryFile(file(), 2);
        database.execute("INSERT INTO state VALUES('downloadJobs','[{\"song\":'),('queue','[]');");
    }
    auto& store = open();
    EXPECT_EQ(store.state("downloadJobs"), std::nullopt);
    EXPECT_EQ(store.state("queue"), "[]");
}

TEST_F(SchemaTest, CurrentVersionOpensWithoutWriting) {
    open();
    repository.reset();
    auto before = fileBytes(file());
    open();
    repository.reset();
    EXPECT_EQ(fileBytes(file()), before);
}

// A newer program's file stays exactly as it was, whether its journal is a
// rollback journal or a WAL that still holds pages (a writer ended without
// its checkpoint).
TEST_F(SchemaTest, NewerOrUnknownVersionIsRefusedAndLeftUntouched) {
    for (const char* version : {"7", "-1"}) {
        for (bool wal : {false, true}) {
            SCOPED_TRACE(std::string(version) + (wal ? " wal" : " rollback journal"));
            std::filesystem::remove(file());
            std::filesystem::remove(file().string() + "-wal");
            std::filesystem::remove(file().string() + "-shm");
            std::optional<Database> writer;
            writer.emplace(file().string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            if (wal) writer->execute("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
            writer->execute(
                std::string("CREATE TABLE future(x); INSERT INTO future VALUES(1); PRAGMA user_version=") +
                version + ";");
            std::filesystem::path copy = folder.path() / "copy";
            if (wal) {
                // Copies taken while the writer still holds the WAL's pages.
                std::filesystem::copy_file(file(), copy, std::filesystem::copy_options::overwrite_existing);
                std::filesystem::copy_file(file().string() + "-wal", copy.string() + "-wal",
                                           std::filesystem::copy_options::overwrite_existing);
                writer.reset();
                std::filesystem::remove(file().string() + "-shm");
                std::filesystem::rename(copy, file());
                std::filesystem::rename(copy.string() + "-wal", file().string() + "-wal");
                ASSERT_GT(std::filesystem::file_size(file().string() + "-wal"), 0u);
            }
            writer.reset();
            auto before = fileBytes(file());
            auto walBefore = wal ? fileBytes(file().string() + "-wal") : std::string();

            try {
                open();
                FAIL() << "opened";
            } catch (const DatabaseError& error) {
                EXPECT_EQ(error.message(), "This library needs a newer Sorvalind version");
            }
            EXPECT_EQ(fileBytes(file()), before);
            if (wal) {
                EXPECT_EQ(fileBytes(file().string() + "-wal"), walBefore);
            }
        }
    }
}

TEST_F(SchemaTest, FailedMigrationRollsBackAndLeavesTheVersion) {
    {
        // A version 5 file that already has the column step 6 adds.
        auto database = createLibraryFile(file(), 5);
        database.execute("ALTER TABLE edits ADD COLUMN target TEXT; INSERT INTO state VALUES('k','v');");
    }
    try {
        open();
        FAIL() << "opened";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.message(), "duplicate column name: target");
    }
    EXPECT_EQ(value("PRAGMA user_version"), "5");
    EXPECT_EQ(value("SELECT value FROM state WHERE key='k'"), "v");
}

TEST_F(SchemaTest, FileThatCannotBeOpenedFails) {
    try {
        LibraryRepository store((folder.path() / "missing" / "Library.sqlite").string(), mainActor);
        FAIL() << "opened";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.message(), "Unable to open database");
        EXPECT_EQ(error.errorDescription(), "Local library: Unable to open database");
    }
    std::ofstream(file()) << "not a database at all, but long enough to have a header of some kind......";
    EXPECT_THROW(open(), DatabaseError);
}

TEST_F(SchemaTest, ClosedStoreFailsEveryOperationAndClosesTwice) {
    auto& store = open();
    store.close();
    store.close();
    auto expectClosed = [](auto call) {
        try {
            call();
            ADD_FAILURE() << "no failure";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(error.message(), "The library is closed");
        }
    };
    expectClosed([&] { store.state("queue"); });
    expectClosed([&] { store.setState("queue", "[]"); });
    expectClosed([&] { store.pendingEdits(); });
    expectClosed([&] { store.playlists(); });
    expectClosed([&] { store.ingest(SearchPage::make({}, {}, {}), "g"); });
    expectClosed([&] { store.finishSync("g"); });
    EXPECT_EQ(store.revisions(), LibraryRevisions());
}

TEST_F(SchemaTest, UnchangedTextsLeaveTheFullTextRowAndDeletesCascade) {
    open();
    auto database = raw();
    database.execute(R"(PRAGMA foreign_keys=ON;
INSERT INTO songs VALUES('s1','One','Ann','Alb','a1',1,1,0,0,0,NULL,NULL,'{}','g');
INSERT INTO song_artists VALUES('s1','ar1','Ann','artist');
INSERT INTO song_genres VALUES('s1','Rock');)");
    auto rowid = value("SELECT rowid FROM song_fts WHERE id='s1'");
    database.execute("UPDATE songs SET json='{\"x\":1}', generation='h' WHERE id='s1'");
    EXPECT_EQ(value("SELECT rowid FROM song_fts WHERE id='s1'"), rowid);
    database.execute("UPDATE songs SET title='Uno' WHERE id='s1'");
    EXPECT_EQ(value("SELECT title FROM song_fts WHERE id='s1'"), "Uno");
    database.execute("DELETE FROM songs WHERE id='s1'");
    EXPECT_EQ(value("SELECT count(*) FROM song_fts"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM song_artists"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM song_genres"), "0");
}

} // namespace
} // namespace sorvalind::test
