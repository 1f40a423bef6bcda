#pragma once
// Library files as earlier versions of the program left them, built here
// with plain SQLite so that opening them exercises each migration path.

#include "platform/sqlite/database.h"

#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace sorvalind::test {

// The tables as every version since the first wrote them ("edits" without
// its later "target" column).
inline const std::string versionOneTables = R"(
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
CREATE TRIGGER albums_ai AFTER INSERT ON albums BEGIN INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER albums_ad AFTER DELETE ON albums BEGIN DELETE FROM album_fts WHERE id=old.id; END;
CREATE TRIGGER artists_ai AFTER INSERT ON artists BEGIN INSERT INTO artist_fts VALUES(new.id,new.name); END;
CREATE TRIGGER artists_ad AFTER DELETE ON artists BEGIN DELETE FROM artist_fts WHERE id=old.id; END;
)";

// Version 1 rewrote the full-text rows on every update.
inline const std::string versionOneUpdateTriggers = R"(
CREATE TRIGGER songs_au AFTER UPDATE ON songs BEGIN DELETE FROM song_fts WHERE id=old.id; INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END;
CREATE TRIGGER albums_au AFTER UPDATE ON albums BEGIN DELETE FROM album_fts WHERE id=old.id; INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER artists_au AFTER UPDATE ON artists BEGIN DELETE FROM artist_fts WHERE id=old.id; INSERT INTO artist_fts VALUES(new.id,new.name); END;
)";

inline const std::string updateTriggers = R"(
CREATE TRIGGER songs_au AFTER UPDATE ON songs WHEN old.title != new.title OR old.artist != new.artist OR old.album != new.album BEGIN DELETE FROM song_fts WHERE id=old.id; INSERT INTO song_fts VALUES(new.id,new.title,new.artist,new.album); END;
CREATE TRIGGER albums_au AFTER UPDATE ON albums WHEN old.title != new.title OR old.artist != new.artist BEGIN DELETE FROM album_fts WHERE id=old.id; INSERT INTO album_fts VALUES(new.id,new.title,new.artist); END;
CREATE TRIGGER artists_au AFTER UPDATE ON artists WHEN old.name != new.name BEGIN DELETE FROM artist_fts WHERE id=old.id; INSERT INTO artist_fts VALUES(new.id,new.name); END;
)";

inline const std::string versionFourIndexes = R"(
CREATE INDEX songs_title ON songs(title COLLATE NOCASE);
CREATE INDEX song_artists_artist ON song_artists(artist_id,song_id);
CREATE INDEX song_genres_name ON song_genres(name COLLATE BINARY,song_id);
)";

// The schema of `version` (1 to 6) without data, in rollback-journal mode.
inline Database createLibraryFile(const std::filesystem::path& path, int version) {
    Database database(path.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    std::string script = "BEGIN;" + versionOneTables;
    script += version == 1 ? versionOneUpdateTriggers : updateTriggers;
    if (version >= 4) script += versionFourIndexes;
    if (version >= 6) script += "ALTER TABLE edits ADD COLUMN target TEXT NOT NULL DEFAULT 'song';";
    script += "PRAGMA user_version=" + std::to_string(version) + "; COMMIT;";
    database.execute(script);
    return database;
}

} // namespace sorvalind::test
