#include "store_bench/bare_store.h"

#include "library/json_coding.h"

#include <simdjson.h>
#include <sqlite3.h>

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace sorvalind::bench {

namespace {

using Row = PageRows::Row;

std::optional<std::string> text(const std::optional<std::string>& value) {
    return value;
}

std::string integer(std::int64_t value) {
    return std::to_string(value);
}

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
constexpr const char* stateSQL =
    "INSERT INTO state VALUES(?,?) ON CONFLICT(key) DO UPDATE SET value=excluded.value";

[[noreturn]] void fail(sqlite3* db, const char* what) {
    throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "no connection"));
}

} // namespace

PageRows PageRows::of(const SearchPage& page, const std::string& generation) {
    PageRows rows;
    for (const Artist& artist : page.artist.value_or(std::vector<Artist>{}))
        rows.artists.push_back(Row{{artist.id, artist.name, toJSONText(artist), generation}});
    for (const Album& album : page.album.value_or(std::vector<Album>{}))
        rows.albums.push_back(
            Row{{album.id, album.name, album.artist.value_or(""), toJSONText(album), generation}});
    for (const Song& song : page.song.value_or(std::vector<Song>{})) {
        SongRows songRows;
        songRows.song.values = {song.id,
                                song.title,
                                song.artistNames(),
                                song.album.value_or(""),
                                text(song.albumId),
                                integer(song.discNumber.value_or(1)),
                                integer(song.track.value_or(0)),
                                std::string(song.starred ? "1" : "0"),
                                integer(song.userRating.value_or(0)),
                                integer(song.playCount.value_or(0)),
                                text(song.created),
                                text(song.played),
                                toJSONText(song),
                                generation};
        auto credit = [&](const std::string& id, const std::string& name, const std::string& role) {
            songRows.credits.push_back(Row{{song.id, id, name, role}});
        };
        if (song.artists && !song.artists->empty()) {
            for (const Artist& artist : *song.artists)
                credit(artist.id, artist.name, "artist");
        } else if (song.artistId) {
            credit(*song.artistId, song.artist.value_or(""), "artist");
        }
        for (const Artist& artist : song.albumArtists.value_or(std::vector<Artist>{}))
            credit(artist.id, artist.name, "albumArtist");
        for (const Contributor& contributor : song.contributors.value_or(std::vector<Contributor>{}))
            credit(contributor.artist.id, contributor.artist.name, contributor.role);
        songRows.id.values = {song.id};
        if (song.genres) {
            for (const ItemGenre& genre : *song.genres)
                songRows.genres.push_back(Row{{song.id, genre.name}});
        } else if (song.genre) {
            songRows.genres.push_back(Row{{song.id, *song.genre}});
        }
        rows.songs.push_back(std::move(songRows));
    }
    return rows;
}

struct BareStore::Prepared {
    std::string sql;
    sqlite3_stmt* statement = nullptr;
    ~Prepared() { sqlite3_finalize(statement); }
};

// Touches every key and value of a row, as a decoder must, and nothing more.
struct BareStore::Walker {
    simdjson::ondemand::parser parser;
    std::string buffer;
    std::size_t touched = 0;

    void walk(simdjson::ondemand::value value) {
        switch (value.type().value()) {
        case simdjson::ondemand::json_type::object:
            for (auto field : value.get_object()) {
                touched += field.unescaped_key().value().size();
                walk(field.value());
            }
            break;
        case simdjson::ondemand::json_type::array:
            for (auto element : value.get_array())
                walk(element.value());
            break;
        case simdjson::ondemand::json_type::string:
            touched += value.get_string().value().size();
            break;
        case simdjson::ondemand::json_type::number:
            touched += static_cast<std::size_t>(value.get_number().value().get_double() != 0);
            break;
        case simdjson::ondemand::json_type::boolean:
            touched += value.get_bool().value();
            break;
        case simdjson::ondemand::json_type::null:
            touched += value.is_null().value();
            break;
        }
    }

    void walkText(const char* text, std::size_t size) {
        buffer.resize(size + simdjson::SIMDJSON_PADDING);
        std::memcpy(buffer.data(), text, size);
        auto document = parser.iterate(buffer.data(), size, buffer.size());
        for (auto field : document.get_object()) {
            touched += field.unescaped_key().value().size();
            walk(field.value());
        }
    }
};

BareStore::BareStore(const std::string& path) : walker_(std::make_unique<Walker>()) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        fail(nullptr, "open");
    }
    sqlite3_busy_timeout(db_, 5000);
    exec("PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON; PRAGMA secure_delete=ON;");
}

BareStore::~BareStore() {
    statements_.clear();
    sqlite3_close(db_);
}

void BareStore::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_, sql);
}

sqlite3_stmt* BareStore::prepared(const std::string& sql) {
    for (const auto& statement : statements_)
        if (statement->sql == sql) return statement->statement;
    auto statement = std::make_unique<Prepared>();
    statement->sql = sql;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement->statement, nullptr) !=
        SQLITE_OK)
        fail(db_, "prepare");
    statements_.push_back(std::move(statement));
    return statements_.back()->statement;
}

namespace {

void bindAll(sqlite3* db, sqlite3_stmt* statement, const std::vector<std::optional<std::string>>& values) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    int index = 1;
    for (const auto& value : values) {
        int rc = value ? sqlite3_bind_text(statement, index, value->data(), static_cast<int>(value->size()),
                                           SQLITE_STATIC)
                       : sqlite3_bind_null(statement, index);
        if (rc != SQLITE_OK) fail(db, "bind");
        ++index;
    }
}

void runOnce(sqlite3* db, sqlite3_stmt* statement, const std::vector<std::optional<std::string>>& values) {
    bindAll(db, statement, values);
    if (sqlite3_step(statement) != SQLITE_DONE) fail(db, "step");
    sqlite3_reset(statement);
}

} // namespace

void BareStore::write(const PageRows& rows, const std::string& checkpoint) {
    exec("BEGIN IMMEDIATE");
    sqlite3_stmt* artist = prepared(upsertArtistSQL);
    sqlite3_stmt* album = prepared(upsertAlbumSQL);
    sqlite3_stmt* song = prepared(upsertSongSQL);
    sqlite3_stmt* deleteCredits = prepared("DELETE FROM song_artists WHERE song_id=?");
    sqlite3_stmt* credit = prepared("INSERT OR REPLACE INTO song_artists VALUES(?,?,?,?)");
    sqlite3_stmt* deleteGenres = prepared("DELETE FROM song_genres WHERE song_id=?");
    sqlite3_stmt* genre = prepared("INSERT OR IGNORE INTO song_genres VALUES(?,?)");
    sqlite3_stmt* state = prepared(stateSQL);
    for (const Row& row : rows.artists)
        runOnce(db_, artist, row.values);
    for (const Row& row : rows.albums)
        runOnce(db_, album, row.values);
    for (const PageRows::SongRows& songRows : rows.songs) {
        runOnce(db_, song, songRows.song.values);
        runOnce(db_, deleteCredits, songRows.id.values);
        for (const Row& row : songRows.credits)
            runOnce(db_, credit, row.values);
        runOnce(db_, deleteGenres, songRows.id.values);
        for (const Row& row : songRows.genres)
            runOnce(db_, genre, row.values);
    }
    runOnce(db_, state, {std::string("syncCheckpoint"), checkpoint});
    exec("COMMIT");
}

std::size_t BareStore::query(const std::string& sql,
                             const std::vector<std::optional<std::string>>& bindings) {
    sqlite3_stmt* statement = prepared(sql);
    bindAll(db_, statement, bindings);
    std::size_t rows = 0;
    for (;;) {
        int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) fail(db_, "step");
        const auto* json = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        walker_->walkText(json, static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
        ++rows;
    }
    sqlite3_reset(statement);
    return rows;
}

std::size_t BareStore::rows(const std::string& sql) {
    sqlite3_stmt* statement = prepared(sql);
    sqlite3_reset(statement);
    std::size_t rows = 0;
    for (;;) {
        int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) fail(db_, "step");
        ++rows;
    }
    sqlite3_reset(statement);
    return rows;
}

void BareStore::finish(const std::string& generation) {
    exec("BEGIN IMMEDIATE");
    runOnce(db_, prepared("DELETE FROM songs WHERE generation != ?"), {generation});
    runOnce(db_, prepared("DELETE FROM albums WHERE generation != ?"), {generation});
    runOnce(db_, prepared("DELETE FROM artists WHERE generation != ?"), {generation});
    runOnce(db_, prepared("DELETE FROM state WHERE key='syncCheckpoint'"), {});
    runOnce(db_, prepared(stateSQL), {std::string("lastSync"), std::string("2024-01-01T00:00:00Z")});
    exec("COMMIT");
}

void BareStore::backupTo(const std::string& path) {
    sqlite3* target = nullptr;
    if (sqlite3_open(path.c_str(), &target) != SQLITE_OK) {
        sqlite3_close(target);
        fail(nullptr, "open backup");
    }
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", db_, "main");
    if (!backup) {
        sqlite3_close(target);
        fail(db_, "backup");
    }
    sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    sqlite3_close(target);
}

std::unique_ptr<BareStore> BareStore::openAndReadVersion(const std::string& path) {
    std::unique_ptr<BareStore> store(new BareStore());
    if (sqlite3_open_v2(path.c_str(), &store->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK)
        fail(nullptr, "open");
    sqlite3_busy_timeout(store->db_, 5000);
    store->exec("PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON; PRAGMA secure_delete=ON;");
    sqlite3_stmt* version = store->prepared("PRAGMA user_version");
    if (sqlite3_step(version) != SQLITE_ROW) fail(store->db_, "user_version");
    sqlite3_reset(version);
    return store;
}

} // namespace sorvalind::bench
