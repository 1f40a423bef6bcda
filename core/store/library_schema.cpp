#include "store/library_schema.h"

#include "store/library_connection.h"

#include <sqlite3.h>

#include <cstdint>
#include <optional>

namespace sorvalind {
namespace {

// The file format as version 3 created it. Column order is part of it:
// inserts give their values by position.
constexpr const char* fullSchema = R"(BEGIN IMMEDIATE;
CREATE TABLE artists(id TEXT PRIMARY KEY,name TEXT NOT NULL,json TEXT NOT NULL,generation TEXT NOT NULL);
CREATE TABLE albums(id TEXT PRIMARY KEY,title TEXT NOT NULL,artist TEXT NOT NULL,json TEXT NOT NULL,generation TEXT NOT NULL);
CREATE TABLE songs(id TEXT PRIMARY KEY,title TEXT NOT NULL,artist TEXT NOT NULL,album TEXT NOT NULL,album_id TEXT,disc INTEGER,track INTEGER,starred INTEGER NOT NULL,rating INTEGER,play_count INTEGER,created TEXT,played TEXT,json TEXT NOT NULL,generation TEXT NOT NULL);
CREATE INDEX songs_album ON songs(album_id,disc,track);
CREATE INDEX songs_artist ON songs(artist COLLATE NOCASE);
CREATE TABLE song_artists(song_id TEXT NOT NULL REFERENCES songs(id) ON DELETE CASCADE,artist_id TEXT NOT NULL,name TEXT NOT NULL,role TEXT NOT NULL,PRIMARY KEY(song_id,artist_id,role));
CREATE TABLE song_genres(song_id TEXT NOT NULL REFERENCES songs(id) ON DELETE CASCADE,name TEXT NOT NULL,PRIMARY KEY(song_id,name));
CREATE TABLE playlists(id TEXT PRIMARY KEY,name TEXT NOT NULL,json TEXT NOT NULL);
CREATE TABLE playlist_entries(playlist_id TEXT NOT NULL REFERENCES playlists(id) ON DELETE CASCADE,position INTEGER NOT NULL,song_id TEXT NOT NULL,json TEXT NOT NULL,PRIMARY KEY(playlist_id,position));
CREATE TABLE state(key TEXT PRIMARY KEY,value TEXT NOT NULL);
CREATE TABLE downloads(id TEXT PRIMARY KEY,song_id TEXT NOT NULL,quality TEXT NOT NULL,json TEXT NOT NULL);
CREATE TABLE edits(id TEXT PRIMARY KEY,song_id TEXT NOT NULL,kind TEXT NOT NULL,value INTEGER NOT NULL);
CREATE VIRTUAL TABLE song_fts USING fts5(id UNINDEXED,title,artist,album,tokenize='unicode61 remove_diacritics 2',prefix='2 3 4');
CREATE VIRTUAL TABLE album_fts USING fts5(id UNINDEXED,title,artist,tokenize='unicode61 remove_diacritics 2',prefix='2 3 4');
CREATE VIRTUAL TABLE artist_fts USING fts5(id UNINDEXED,name,tokenize='unicode61 remove_diacritics 2',prefix='2 3 4');
CREATE TRIGGER songs_ai AFTER INSERT ON songs BEGIN INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END;
CREATE TRIGGER songs_ad AFTER DELETE ON songs BEGIN DELETE FROM song_fts WHERE id=old.id; END;
CREATE TRIGGER songs_au AFTER UPDATE ON songs WHEN old.title != new.title OR old.artist != new.artist OR old.album != new.album BEGIN DELETE FROM song_fts WHERE id=old.id; INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END;
CREATE TRIGGER albums_ai AFTER INSERT ON albums BEGIN INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER albums_ad AFTER DELETE ON albums BEGIN DELETE FROM album_fts WHERE id=old.id; END;
CREATE TRIGGER albums_au AFTER UPDATE ON albums WHEN old.title != new.title OR old.artist != new.artist BEGIN DELETE FROM album_fts WHERE id=old.id; INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER artists_ai AFTER INSERT ON artists BEGIN INSERT INTO artist_fts VALUES(new.id,new.name); END;
CREATE TRIGGER artists_ad AFTER DELETE ON artists BEGIN DELETE FROM artist_fts WHERE id=old.id; END;
CREATE TRIGGER artists_au AFTER UPDATE ON artists WHEN old.name != new.name BEGIN DELETE FROM artist_fts WHERE id=old.id; INSERT INTO artist_fts VALUES(new.id,new.name); END;
PRAGMA user_version=3;
COMMIT;)";

// Version 1 wrote its update triggers without WHEN conditions, so every
// rewrite of a row redid its full-text entry.
constexpr const char* stepTwo = R"(BEGIN IMMEDIATE;
DROP TRIGGER songs_au;
DROP TRIGGER albums_au;
DROP TRIGGER artists_au;
CREATE TRIGGER songs_au AFTER UPDATE ON songs WHEN old.title != new.title OR old.artist != new.artist OR old.album != new.album BEGIN DELETE FROM song_fts WHERE id=old.id; INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END;
CREATE TRIGGER albums_au AFTER UPDATE ON albums WHEN old.title != new.title OR old.artist != new.artist BEGIN DELETE FROM album_fts WHERE id=old.id; INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER artists_au AFTER UPDATE ON artists WHEN old.name != new.name BEGIN DELETE FROM artist_fts WHERE id=old.id; INSERT INTO artist_fts VALUES(new.id,new.name); END;
PRAGMA user_version=2;
COMMIT;)";

// The download manager's job list once carried an "error" member per job.
constexpr const char* stepThree = R"(BEGIN IMMEDIATE;
DELETE FROM state WHERE key='downloadJobs' AND NOT json_valid(value);
UPDATE state SET value=(SELECT json_group_array(json_remove(entry.value,'$.error')) FROM json_each(state.value) entry) WHERE key='downloadJobs';
PRAGMA user_version=3;
COMMIT;)";

constexpr const char* compaction = "VACUUM; PRAGMA wal_checkpoint(TRUNCATE);";

constexpr const char* stepFour = R"(BEGIN IMMEDIATE;
CREATE INDEX songs_title ON songs(title COLLATE NOCASE);
CREATE INDEX song_artists_artist ON song_artists(artist_id,song_id);
CREATE INDEX song_genres_name ON song_genres(name COLLATE BINARY,song_id);
PRAGMA user_version=4;
COMMIT;)";

constexpr const char* stepFive = R"(BEGIN IMMEDIATE;
INSERT OR IGNORE INTO song_artists(song_id,artist_id,name,role)
SELECT id,json_extract(json,'$.artistId'),coalesce(json_extract(json,'$.artist'),''),'artist'
FROM songs
WHERE coalesce(json_array_length(json,'$.artists'),0)=0 AND json_extract(json,'$.artistId') IS NOT NULL;
PRAGMA user_version=5;
COMMIT;)";

constexpr const char* stepSix = R"(BEGIN IMMEDIATE;
ALTER TABLE edits ADD COLUMN target TEXT NOT NULL DEFAULT 'song';
PRAGMA user_version=6;
COMMIT;)";

// Connection settings for writing pages of the library quickly; none of
// them changes the file.
// - Every row write with its triggers and cascades keeps a statement journal
//   of the pages it changes, so that the statement alone can be undone; on
//   disk (beyond 64 KiB) that journal cost more writes than the library
//   itself. Temporary storage in memory keeps it there.
// - A page touches rows all over the song table, its indexes and the
//   full-text tables; with SQLite's default 2 MB page cache the pages of one
//   transaction no longer fit and are read back from the file. The cache is
//   bounded so that it stays a small part of the program's memory.
// - The log is copied back into the file once it holds 32 MiB rather than
//   SQLite's 4 MiB: a page rewritten by several transactions in between is
//   copied once.
constexpr const char* connectionTuning =
    "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-65536; PRAGMA wal_autocheckpoint=8192;";

std::int32_t userVersion(Database& database) {
    auto statement = database.prepare("PRAGMA user_version");
    if (!statement.step()) throw database.lastError();
    return static_cast<std::int32_t>(statement.columnInt64(0));
}

// A version this program cannot read: newer than its own, or negative,
// which no version of it ever wrote.
bool isUnknown(std::int32_t version) {
    return version > currentLibraryVersion || version < 0;
}

// Reads the version of an existing file without writing anything: no WAL
// switch, no pragma that writes, no checkpoint on close. None when there is
// no file to read (it is then created read-write).
std::optional<std::int32_t> existingVersion(const std::string& path) {
    std::optional<Database> reader;
    try {
        reader.emplace(path, SQLITE_OPEN_READONLY);
    } catch (const DatabaseError&) {
        return std::nullopt;
    }
    reader->setBusyTimeout(5000);
    return userVersion(*reader);
}

void migrate(Database& database, std::int32_t version) {
    if (version == 0) database.execute(fullSchema);
    if (version == 1) database.execute(stepTwo);
    if (version == 1 || version == 2) {
        database.execute(stepThree);
        database.execute(compaction);
    }
    if (version <= 3) database.execute(stepFour);
    if (version <= 4) database.execute(stepFive);
    if (version <= 5) database.execute(stepSix);
}

} // namespace

Database openLibraryDatabase(const std::string& path) {
    if (auto version = existingVersion(path); version && isUnknown(*version))
        throw DatabaseError(newerLibraryMessage);

    Database database(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        database.setBusyTimeout(5000);
        database.execute("PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON; PRAGMA secure_delete=ON;");
        auto version = userVersion(database);
        // Another program may have written the file since it was read.
        if (isUnknown(version)) throw DatabaseError(newerLibraryMessage);
        migrate(database, version);
        database.execute(connectionTuning);
    } catch (...) {
        // A script that failed halfway leaves its transaction open; it is
        // rolled back before the connection goes, whatever else fails.
        if (database.inTransaction()) {
            try {
                database.execute("ROLLBACK");
            } catch (...) {
            }
        }
        throw;
    }
    return database;
}

} // namespace sorvalind
