#include "store/library_writers.h"

#include "library/song_details.h"
#include "runtime/decimal_text.h"
#include "store/internet_date_time.h"

#include <algorithm>
#include <set>

namespace sorvalind {
namespace {

constexpr const char* upsertArtistSQL =
    "INSERT INTO artists VALUES(?,?,?,?) ON CONFLICT(id) DO UPDATE SET "
    "name=excluded.name,json=excluded.json,generation=excluded.generation";
constexpr const char* upsertAlbumSQL =
    "INSERT INTO albums VALUES(?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET "
    "title=excluded.title,artist=excluded.artist,json=excluded.json,generation=excluded.generation";
constexpr const char* upsertSongSQL =
    "INSERT INTO songs VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET "
    "title=excluded.title,artist=excluded.artist,album=excluded.album,album_id=excluded.album_id,"
    "disc=excluded.disc,track=excluded.track,starred=excluded.starred,rating=excluded.rating,"
    "play_count=excluded.play_count,created=excluded.created,played=excluded.played,json=excluded.json,"
    "generation=excluded.generation";
constexpr const char* insertCreditSQL = "INSERT OR REPLACE INTO song_artists VALUES(?,?,?,?)";

// Rows left from an older generation. The delete triggers find a row's search
// entry by scanning the whole search table, which is fine for a few rows and
// ruinous for thousands (a removal of 1% of a large library took half a
// minute). A larger removal takes the entries out in one pass and sets the
// trigger aside inside the same transaction, restoring it from its stored
// text, so the file keeps its schema byte for byte.
std::int64_t removeStale(LibraryConnection& connection, const std::string& table, const std::string& search,
                         const std::string& trigger, const std::string& generation) {
    constexpr std::int64_t rowsWorthABulkPass = 16;
    auto stale = connection.integer("SELECT count(*) FROM " + table + " WHERE generation != ?", {generation});
    if (!stale || *stale == 0) return 0;
    const std::string deleteRows = "DELETE FROM " + table + " WHERE generation != ?";
    if (*stale < rowsWorthABulkPass) return connection.run(deleteRows, {generation});
    auto triggerSQL =
        connection.text("SELECT sql FROM sqlite_master WHERE type='trigger' AND name=?", {trigger});
    if (!triggerSQL) return connection.run(deleteRows, {generation});
    connection.run("DELETE FROM " + search + " WHERE rowid IN (SELECT rowid FROM " + search +
                       " WHERE id IN (SELECT id FROM " + table + " WHERE generation != ?))",
                   {generation});
    connection.run("DROP TRIGGER " + trigger);
    auto removed = connection.run(deleteRows, {generation});
    connection.run(*triggerSQL);
    return removed;
}

// The raw genre texts of a song: its "genres" entries when that list is
// present (even empty), else its "genre" text.
std::set<std::string> genreNames(const Song& song) {
    std::set<std::string> names;
    if (song.genres) {
        for (const auto& genre : *song.genres)
            names.insert(genre.name);
    } else if (song.genre) {
        names.insert(*song.genre);
    }
    return names;
}

// Genre names in the order the song gives them, each once.
std::vector<std::string> orderedGenreNames(const Song& song) {
    std::vector<std::string> names;
    if (song.genres) {
        for (const auto& genre : *song.genres)
            names.push_back(genre.name);
    } else if (song.genre) {
        names.push_back(*song.genre);
    }
    return names;
}

Binding optionalText(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return std::string_view(*text);
}

void writeCredits(LibraryConnection& connection, const Song& song) {
    connection.run("DELETE FROM song_artists WHERE song_id=?", {song.id});
    auto credit = [&](const std::string& artistID, const std::string& name, const std::string& role) {
        connection.run(insertCreditSQL, {song.id, artistID, name, role});
    };
    if (song.artists && !song.artists->empty()) {
        for (const auto& artist : *song.artists)
            credit(artist.id, artist.name, "artist");
    } else if (song.artistId) {
        credit(*song.artistId, song.artist.value_or(""), "artist");
    }
    if (song.albumArtists)
        for (const auto& artist : *song.albumArtists)
            credit(artist.id, artist.name, "albumArtist");
    if (song.contributors)
        for (const auto& contributor : *song.contributors)
            credit(contributor.artist.id, contributor.artist.name, contributor.role);
}

void writeGenres(LibraryConnection& connection, const Song& song) {
    connection.run("DELETE FROM song_genres WHERE song_id=?", {song.id});
    for (const auto& name : orderedGenreNames(song))
        connection.run("INSERT OR IGNORE INTO song_genres VALUES(?,?)", {song.id, name});
}

// Writes an artist or album row, re-stamping an unchanged one; true when
// its JSON is new or differs.
template <class Item>
bool upsertItem(LibraryConnection& connection, std::string_view table, const Item& item,
                const std::string& json, std::initializer_list<Binding> values, const char* sql) {
    auto stored = connection.storedJSON(table, item.id);
    bool changed = !stored || *stored != json;
    connection.run(sql, values);
    return changed;
}

} // namespace

SongWrite upsertSong(LibraryConnection& connection, const Song& song, const std::string& generation) {
    auto json = toJSONText(song);
    auto stored = connection.storedJSON("songs", song.id);
    if (stored && *stored == json) {
        connection.run("UPDATE songs SET generation=? WHERE id=?", {generation, song.id});
        return {};
    }
    std::set<std::string> previousGenres;
    if (stored) previousGenres = genreNames(fromJSONText<Song>(*stored));

    auto artistNames = song.artistNames();
    auto disc = decimalText(song.discNumber.value_or(1));
    auto track = decimalText(song.track.value_or(0));
    auto rating = decimalText(song.userRating.value_or(0));
    auto playCount = decimalText(song.playCount.value_or(0));
    std::string_view album = song.album ? std::string_view(*song.album) : std::string_view();
    connection.run(upsertSongSQL, {song.id, song.title, artistNames, album, optionalText(song.albumId), disc,
                                   track, song.starred ? "1" : "0", rating, playCount,
                                   optionalText(song.created), optionalText(song.played), json, generation});
    writeCredits(connection, song);
    writeGenres(connection, song);
    return {true, genreNames(song) != previousGenres};
}

void LibraryRepository::ingest(const SearchPage& page, const std::string& generation,
                               const std::optional<std::string>& checkpoint) {
    perform([&](LibraryConnection& connection) {
        connection.transaction([&](LibraryRevisions& changes) {
            auto edits = readPendingEdits(connection);
            if (page.artist) {
                for (auto artist : *page.artist) {
                    applyEdits(artist, LibraryItemKind::artist, edits);
                    auto json = toJSONText(artist);
                    if (upsertItem(connection, "artists", artist, json,
                                   {artist.id, artist.name, json, generation}, upsertArtistSQL))
                        ++changes.artists;
                }
            }
            if (page.album) {
                for (auto album : *page.album) {
                    applyEdits(album, LibraryItemKind::album, edits);
                    auto json = toJSONText(album);
                    std::string_view artist =
                        album.artist ? std::string_view(*album.artist) : std::string_view();
                    if (upsertItem(connection, "albums", album, json,
                                   {album.id, album.name, artist, json, generation}, upsertAlbumSQL))
                        ++changes.albums;
                }
            }
            if (page.song) {
                for (auto song : *page.song) {
                    applyEdits(song, LibraryItemKind::song, edits);
                    auto write = upsertSong(connection, song, generation);
                    if (write.song) ++changes.songs;
                    if (write.genres) ++changes.genres;
                }
            }
            if (checkpoint) putState(connection, "syncCheckpoint", *checkpoint);
        });
    });
}

void LibraryRepository::finishSync(const std::string& generation,
                                   const std::optional<std::vector<Playlist>>& playlists) {
    perform([&](LibraryConnection& connection) {
        connection.transaction([&](LibraryRevisions& changes) {
            if (removeStale(connection, "songs", "song_fts", "songs_ad", generation) > 0) {
                ++changes.songs;
                ++changes.genres;
            }
            if (removeStale(connection, "albums", "album_fts", "albums_ad", generation) > 0) ++changes.albums;
            if (removeStale(connection, "artists", "artist_fts", "artists_ad", generation) > 0)
                ++changes.artists;
            if (playlists) changes.playlists += reconcilePlaylists(connection, *playlists);
            connection.run("DELETE FROM state WHERE key='syncCheckpoint'");
            putState(connection, "lastSync", internetDateTime(connection.wallClock().now()));
        });
    });
}

Song LibraryRepository::cacheSongDetails(const Song& song) {
    return perform([&](LibraryConnection& connection) {
        auto stored = connection.record<Song>("SELECT json FROM songs WHERE id=?", {song.id});
        if (!stored) return song;
        // The local favourite and rating (a queued edit included) and the
        // synchronised play data win over what the details fetch brought.
        auto merged = mergingDetails(*stored, song);
        merged.starred = stored->starred;
        merged.userRating = stored->userRating;
        merged.playCount = stored->playCount;
        merged.played = stored->played;
        merged.created = stored->created;
        auto generation = connection.text("SELECT generation FROM songs WHERE id=?", {song.id});
        if (!generation) throw DatabaseError("The song is no longer stored");
        connection.transaction([&](LibraryRevisions& changes) {
            auto write = upsertSong(connection, merged, *generation);
            if (write.song) ++changes.songs;
            if (write.genres) ++changes.genres;
        });
        return merged;
    });
}

} // namespace sorvalind
