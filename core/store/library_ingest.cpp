#include "store/library_writers.h"

#include "library/song_details.h"
#include "runtime/decimal_text.h"
#include "store/bulk_rows.h"
#include "store/internet_date_time.h"

#include <nlohmann/json.hpp>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <deque>
#include <set>
#include <string_view>
#include <unordered_map>

namespace sorvalind {
namespace {

constexpr const char* upsertSongSQL =
    "INSERT INTO songs VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET "
    "title=excluded.title,artist=excluded.artist,album=excluded.album,album_id=excluded.album_id,"
    "disc=excluded.disc,track=excluded.track,starred=excluded.starred,rating=excluded.rating,"
    "play_count=excluded.play_count,created=excluded.created,played=excluded.played,json=excluded.json,"
    "generation=excluded.generation";
constexpr const char* insertCreditSQL = "INSERT OR REPLACE INTO song_artists VALUES(?,?,?,?)";
// The same writes for many rows at once (writeRows).
constexpr const char* artistConflict =
    " ON CONFLICT(id) DO UPDATE SET name=excluded.name,json=excluded.json,generation=excluded.generation";
constexpr const char* albumConflict =
    " ON CONFLICT(id) DO UPDATE SET title=excluded.title,artist=excluded.artist,"
    "json=excluded.json,generation=excluded.generation";
constexpr const char* songConflict =
    " ON CONFLICT(id) DO UPDATE SET "
    "title=excluded.title,artist=excluded.artist,album=excluded.album,album_id=excluded.album_id,"
    "disc=excluded.disc,track=excluded.track,starred=excluded.starred,rating=excluded.rating,"
    "play_count=excluded.play_count,created=excluded.created,played=excluded.played,json=excluded.json,"
    "generation=excluded.generation";

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

// Genre names in the order the song gives them, viewing the song's texts.
std::vector<std::string_view> orderedGenreNames(const Song& song) {
    std::vector<std::string_view> names;
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

// One credit row of a song: artist identifier, name and role.
struct Credit {
    std::string_view artistID;
    std::string_view name;
    std::string_view role;
    bool operator==(const Credit&) const = default;
};

// A song's credits in the order they are written; a later credit that
// repeats (artist, role) replaces the earlier row.
std::vector<Credit> credits(const Song& song) {
    std::vector<Credit> result;
    if (song.artists && !song.artists->empty()) {
        for (const auto& artist : *song.artists)
            result.push_back({artist.id, artist.name, "artist"});
    } else if (song.artistId) {
        result.push_back(
            {*song.artistId, song.artist ? std::string_view(*song.artist) : std::string_view(), "artist"});
    }
    if (song.albumArtists)
        for (const auto& artist : *song.albumArtists)
            result.push_back({artist.id, artist.name, "albumArtist"});
    if (song.contributors)
        for (const auto& contributor : *song.contributors)
            result.push_back({contributor.artist.id, contributor.artist.name, contributor.role});
    return result;
}

// Rewrites a song's credits; a new song has none to delete (they go with
// their song through the foreign key's cascade).
void writeCredits(LibraryConnection& connection, const Song& song, bool stored) {
    if (stored) connection.run("DELETE FROM song_artists WHERE song_id=?", {song.id});
    for (const Credit& credit : credits(song))
        connection.run(insertCreditSQL, {song.id, credit.artistID, credit.name, credit.role});
}

void writeGenres(LibraryConnection& connection, const Song& song, bool stored) {
    if (stored) connection.run("DELETE FROM song_genres WHERE song_id=?", {song.id});
    for (const auto& name : orderedGenreNames(song))
        connection.run("INSERT OR IGNORE INTO song_genres VALUES(?,?)", {song.id, name});
}

// The song writer for a song whose stored JSON text (none when the row is
// new) was read already and differs from `json`. The credit and genre rows
// follow from the JSON alone, so they are rewritten only when the song's
// credits or genre names differ from the stored song's.
SongWrite writeSong(LibraryConnection& connection, const Song& song, const std::string& json,
                    const std::optional<std::string_view>& stored, const std::string& generation) {
    std::optional<Song> previous;
    if (stored) previous = fromJSONText<Song>(*stored);

    auto artistNames = song.artistNames();
    auto disc = decimalText(song.discNumber.value_or(1));
    auto track = decimalText(song.track.value_or(0));
    auto rating = decimalText(song.userRating.value_or(0));
    auto playCount = decimalText(song.playCount.value_or(0));
    std::string_view album = song.album ? std::string_view(*song.album) : std::string_view();
    connection.run(upsertSongSQL, {song.id, song.title, artistNames, album, optionalText(song.albumId), disc,
                                   track, song.starred ? "1" : "0", rating, playCount,
                                   optionalText(song.created), optionalText(song.played), json, generation});
    if (!previous || credits(*previous) != credits(song))
        writeCredits(connection, song, previous.has_value());
    // The genre rows are a set: the same names in another order are the
    // same rows.
    const bool genresChanged = !previous || genreNames(song) != genreNames(*previous);
    if (genresChanged) writeGenres(connection, song, previous.has_value());
    return {true, genresChanged};
}

// The identifiers of `items` as one JSON array text, for json_each().
template <class Item> std::string identifierArray(const std::vector<Item>& items) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& item : items)
        array.push_back(item.id);
    return array.dump();
}

// The stored JSON texts of the rows of `table` whose identifiers `ids` (a
// JSON array text) lists, read in one statement.
std::unordered_map<std::string, std::string> storedJSONs(LibraryConnection& connection,
                                                         std::string_view table, const std::string& ids) {
    std::string sql = "SELECT json,id FROM ";
    sql += table;
    sql += " WHERE id IN (SELECT value FROM json_each(?))";
    auto statement = connection.statement(sql, {ids});
    std::unordered_map<std::string, std::string> stored;
    while (statement->step()) {
        auto id = statement->columnText(1);
        if (id) stored.emplace(*id, LibraryConnection::jsonColumn(*statement));
    }
    return stored;
}

// Gives the rows whose identifiers `ids` lists the generation, in one
// statement. Their indexed texts stay as they are, so the update triggers
// leave the full-text tables alone.
void restamp(LibraryConnection& connection, std::string_view table, const std::vector<std::string_view>& ids,
             const std::string& generation) {
    if (ids.empty()) return;
    nlohmann::json array = nlohmann::json::array();
    for (auto id : ids)
        array.push_back(id);
    std::string sql = "UPDATE ";
    sql += table;
    sql += " SET generation=? WHERE id IN (SELECT value FROM json_each(?))";
    connection.run(sql, {generation, array.dump()});
}

// Writes the artists or albums of a page: each new or changed row with its
// upsert (counted), every unchanged one re-stamped with the generation. The
// changed rows go out together, in page order, so an item that repeats in
// the page ends as its last copy.
template <class Item, class Values>
std::int64_t writeItems(LibraryConnection& connection, std::string_view table, std::vector<Item> items,
                        LibraryItemKind kind, const std::vector<PendingEdit>& edits, std::size_t columns,
                        const char* conflict, const std::string& generation, Values values) {
    auto stored = storedJSONs(connection, table, identifierArray(items));
    std::vector<std::string_view> unchanged;
    // Reserved whole: the bindings view the texts, which must not move.
    std::vector<std::string> jsons;
    jsons.reserve(items.size());
    std::vector<Binding> bindings;
    for (auto& item : items) {
        applyEdits(item, kind, edits);
        auto json = toJSONText(item);
        auto found = stored.find(item.id);
        if (found != stored.end() && found->second == json) {
            unchanged.push_back(item.id);
            continue;
        }
        // A later entry of the page with the same identifier compares with
        // what this one writes.
        stored.insert_or_assign(item.id, json);
        jsons.push_back(std::move(json));
        values(bindings, item, jsons.back());
    }
    std::string head = "INSERT INTO ";
    head += table;
    writeRows(connection, head, columns, conflict, bindings);
    restamp(connection, table, unchanged, generation);
    return static_cast<std::int64_t>(jsons.size());
}

// One new or changed song of a page: its row's values, and whether its
// credit and genre rows are written (after removing the old ones when the
// row existed before the page).
struct SongRow {
    const Song* song;
    std::string json;
    std::string artistNames;
    std::string disc;
    std::string track;
    std::string rating;
    std::string playCount;
    bool stored = false;
    bool credits = false;
    bool genres = false;
};

// The identifiers of `rows` that pass `select`, as one JSON array text.
template <class Select> std::string rowIdentifiers(const std::vector<SongRow>& rows, Select select) {
    nlohmann::json array = nlohmann::json::array();
    for (const SongRow& row : rows)
        if (select(row)) array.push_back(row.song->id);
    return array.dump();
}

// Writes the songs of a page: what the song writer does for each song, with
// the rows of every table written by one statement per table (and size,
// writeRows) instead of one per song. The counters move as the song writer
// reports, song by song in page order. A song that repeats in the page ends
// as its last copy, as it would written one after the other.
void writeSongs(LibraryConnection& connection, const std::vector<Song>& songs,
                const std::vector<PendingEdit>& edits, const std::string& generation,
                LibraryRevisions& changes) {
    auto stored = storedJSONs(connection, "songs", identifierArray(songs));
    std::vector<std::string_view> unchanged;
    // Songs with queued edits shown, in stable places: rows point at them.
    std::deque<Song> edited;
    std::vector<const Song*> shown;
    shown.reserve(songs.size());
    for (const Song& received : songs) {
        if (std::any_of(edits.begin(), edits.end(), [&](const PendingEdit& edit) {
                return edit.target == LibraryItemKind::song && edit.itemID == received.id;
            })) {
            applyEdits(edited.emplace_back(received), LibraryItemKind::song, edits);
            shown.push_back(&edited.back());
        } else {
            shown.push_back(&received);
        }
    }
    auto texts = connection.encode(shown);
    std::vector<SongRow> rows;
    std::unordered_map<std::string_view, std::size_t> rowOf;
    for (std::size_t index = 0; index < shown.size(); ++index) {
        const Song* song = shown[index];
        auto& json = texts[index];
        auto found = stored.find(song->id);
        if (found != stored.end() && found->second == json) {
            unchanged.push_back(song->id);
            continue;
        }
        std::optional<Song> previous;
        if (found != stored.end()) previous = fromJSONText<Song>(found->second);
        const bool genresChanged = !previous || genreNames(*song) != genreNames(*previous);
        ++changes.songs;
        if (genresChanged) ++changes.genres;

        SongRow row{song,
                    json,
                    song->artistNames(),
                    decimalText(song->discNumber.value_or(1)),
                    decimalText(song->track.value_or(0)),
                    decimalText(song->userRating.value_or(0)),
                    decimalText(song->playCount.value_or(0))};
        auto earlier = rowOf.find(song->id);
        if (earlier != rowOf.end()) {
            // A repeat: its credits and genres are written whole over what
            // stood before the page.
            row.stored = rows[earlier->second].stored;
            row.credits = row.genres = true;
            rows[earlier->second] = std::move(row);
        } else {
            row.stored = previous.has_value();
            row.credits = !previous || credits(*previous) != credits(*song);
            row.genres = genresChanged;
            rowOf.emplace(song->id, rows.size());
            rows.push_back(std::move(row));
        }
        stored.insert_or_assign(song->id, std::move(json));
    }

    std::vector<Binding> bindings;
    bindings.reserve(rows.size() * 14);
    for (const SongRow& row : rows) {
        const Song& song = *row.song;
        std::string_view album = song.album ? std::string_view(*song.album) : std::string_view();
        for (Binding value :
             {Binding(song.id), Binding(song.title), Binding(row.artistNames), Binding(album),
              optionalText(song.albumId), Binding(row.disc), Binding(row.track),
              Binding(song.starred ? "1" : "0"), Binding(row.rating), Binding(row.playCount),
              optionalText(song.created), optionalText(song.played), Binding(row.json), Binding(generation)})
            bindings.push_back(value);
    }
    writeRows(connection, "INSERT INTO songs", 14, songConflict, bindings);

    if (std::any_of(rows.begin(), rows.end(), [](const SongRow& row) { return row.stored && row.credits; }))
        connection.run("DELETE FROM song_artists WHERE song_id IN (SELECT value FROM json_each(?))",
                       {rowIdentifiers(rows, [](const SongRow& row) { return row.stored && row.credits; })});
    bindings.clear();
    for (const SongRow& row : rows) {
        if (!row.credits) continue;
        for (const Credit& credit : credits(*row.song))
            for (Binding value : {Binding(row.song->id), Binding(credit.artistID), Binding(credit.name),
                                  Binding(credit.role)})
                bindings.push_back(value);
    }
    writeRows(connection, "INSERT OR REPLACE INTO song_artists", 4, "", bindings);

    if (std::any_of(rows.begin(), rows.end(), [](const SongRow& row) { return row.stored && row.genres; }))
        connection.run("DELETE FROM song_genres WHERE song_id IN (SELECT value FROM json_each(?))",
                       {rowIdentifiers(rows, [](const SongRow& row) { return row.stored && row.genres; })});
    bindings.clear();
    for (const SongRow& row : rows) {
        if (!row.genres) continue;
        for (const auto& name : orderedGenreNames(*row.song)) {
            bindings.push_back(Binding(row.song->id));
            bindings.push_back(Binding(name));
        }
    }
    writeRows(connection, "INSERT OR IGNORE INTO song_genres", 2, "", bindings);

    restamp(connection, "songs", unchanged, generation);
}

// Syncs the log to disk at checkpoints only while a page is written. A page
// lost to a power failure goes with its synchronisation checkpoint (they
// commit together), so the next run fetches it again; a crash of the program
// alone loses nothing. Every other write keeps the connection's own setting.
class PageDurability {
public:
    explicit PageDurability(Database& database) : database_(database) {
        auto statement = database_.prepare("PRAGMA synchronous");
        if (statement.step()) previous_ = statement.columnInt(0);
        if (previous_ > 1) database_.execute("PRAGMA synchronous=NORMAL");
    }
    ~PageDurability() {
        if (previous_ <= 1) return;
        try {
            database_.execute("PRAGMA synchronous=" + std::to_string(previous_));
        } catch (...) {
            // A connection that cannot run a pragma fails its next write.
        }
    }
    PageDurability(const PageDurability&) = delete;
    PageDurability& operator=(const PageDurability&) = delete;

private:
    Database& database_;
    int previous_ = 0;
};

// The full-text tables the sync writes.
constexpr std::array<std::string_view, 3> searchTables{"song_fts", "album_fts", "artist_fts"};

// FTS5 merges a table's index segments whenever a few of one size gather,
// which during a first sync rewrites most of the index several times over (a
// fifth of the time of writing 100,000 songs). While pages are written the merge
// waits for more segments; the end of the sync restores the usual policy and
// merges what gathered, so searches afterwards read as few segments as
// before. The setting lives in each table's own configuration rows (not in
// the schema), committed with the page that changed it: a run killed
// mid-sync leaves it relaxed until the next sync completes.
constexpr int relaxedMerge = 16;
constexpr int usualMerge = 4;

void setMergePolicy(LibraryConnection& connection, int segments) {
    for (auto table : searchTables) {
        std::string config(table);
        config += "_config";
        auto current = connection.integer("SELECT v FROM " + config + " WHERE k='automerge'");
        if (current.value_or(usualMerge) == segments) continue;
        std::string sql = "INSERT INTO ";
        sql += table;
        sql += '(';
        sql += table;
        sql += ",rank) VALUES('automerge',?)";
        connection.run(sql, {std::to_string(segments)});
    }
}

// Merges the segments a sync left until no size has more than a few, as the
// usual policy would have; each round writes about 500 index pages, and the
// bound only guards against a round that never reports being done.
void mergeSegments(LibraryConnection& connection) {
    for (auto table : searchTables) {
        std::string sql = "INSERT INTO ";
        sql += table;
        sql += '(';
        sql += table;
        sql += ",rank) VALUES('merge',500)";
        for (int round = 0; round < 1000; ++round) {
            const auto before = sqlite3_total_changes64(connection.database().get());
            connection.run(sql);
            if (sqlite3_total_changes64(connection.database().get()) - before < 2) break;
        }
    }
}

} // namespace

SongWrite upsertSong(LibraryConnection& connection, const Song& song, const std::string& generation) {
    auto json = toJSONText(song);
    auto stored = connection.storedJSON("songs", song.id);
    if (stored && *stored == json) {
        connection.run("UPDATE songs SET generation=? WHERE id=?", {generation, song.id});
        return {};
    }
    std::optional<std::string_view> previous;
    if (stored) previous = *stored;
    return writeSong(connection, song, json, previous, generation);
}

void LibraryRepository::ingest(const SearchPage& page, const std::string& generation,
                               const std::optional<std::string>& checkpoint) {
    perform([&](LibraryConnection& connection) {
        PageDurability durability(connection.database());
        connection.transaction([&](LibraryRevisions& changes) {
            setMergePolicy(connection, relaxedMerge);
            auto edits = readPendingEdits(connection);
            if (page.artist) {
                changes.artists += writeItems(
                    connection, "artists", *page.artist, LibraryItemKind::artist, edits, 4, artistConflict,
                    generation,
                    [&](std::vector<Binding>& values, const Artist& artist, const std::string& json) {
                        for (Binding value :
                             {Binding(artist.id), Binding(artist.name), Binding(json), Binding(generation)})
                            values.push_back(value);
                    });
            }
            if (page.album) {
                changes.albums += writeItems(
                    connection, "albums", *page.album, LibraryItemKind::album, edits, 5, albumConflict,
                    generation,
                    [&](std::vector<Binding>& values, const Album& album, const std::string& json) {
                        std::string_view artist =
                            album.artist ? std::string_view(*album.artist) : std::string_view();
                        for (Binding value : {Binding(album.id), Binding(album.name), Binding(artist),
                                              Binding(json), Binding(generation)})
                            values.push_back(value);
                    });
            }
            if (page.song) writeSongs(connection, *page.song, edits, generation, changes);
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
            setMergePolicy(connection, usualMerge);
            mergeSegments(connection);
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
