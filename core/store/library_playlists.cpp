#include "store/library_writers.h"

#include "runtime/decimal_text.h"

#include <unordered_set>

namespace sorvalind {

bool writePlaylist(LibraryConnection& connection, const Playlist& playlist) {
    Playlist header = playlist;
    header.entry.reset();
    auto headerJSON = toJSONText(header);
    std::vector<std::string> entries;
    if (playlist.entry)
        for (const auto& song : *playlist.entry)
            entries.push_back(toJSONText(song));

    auto stored = connection.storedJSON("playlists", playlist.id);
    if (stored && *stored == headerJSON) {
        auto rows = connection.statement(
            "SELECT json FROM playlist_entries WHERE playlist_id=? ORDER BY position", {playlist.id});
        std::size_t count = 0;
        bool same = true;
        while (same && rows->step()) {
            auto text = rows->columnText(0);
            same = count < entries.size() && text && *text == entries[count];
            ++count;
        }
        if (same && count == entries.size()) return false;
    }

    connection.run("INSERT INTO playlists VALUES(?,?,?) ON CONFLICT(id) DO UPDATE SET "
                   "name=excluded.name,json=excluded.json",
                   {playlist.id, playlist.name, headerJSON});
    connection.run("DELETE FROM playlist_entries WHERE playlist_id=?", {playlist.id});
    for (std::size_t position = 0; position < entries.size(); ++position)
        connection.run("INSERT INTO playlist_entries VALUES(?,?,?,?)",
                       {playlist.id, decimalText(static_cast<std::int64_t>(position)),
                        (*playlist.entry)[position].id, entries[position]});
    return true;
}

std::int64_t reconcilePlaylists(LibraryConnection& connection, const std::vector<Playlist>& playlists) {
    std::unordered_set<std::string> kept;
    for (const auto& playlist : playlists)
        kept.insert(playlist.id);
    std::int64_t count = 0;
    for (const auto& stored :
         connection.records<Playlist>("SELECT json FROM playlists ORDER BY name COLLATE NOCASE")) {
        if (kept.count(stored.id)) continue;
        connection.run("DELETE FROM playlists WHERE id=?", {stored.id});
        ++count;
    }
    for (const auto& playlist : playlists)
        if (writePlaylist(connection, playlist)) ++count;
    return count;
}

void LibraryRepository::replacePlaylists(const std::vector<Playlist>& playlists) {
    perform([&](LibraryConnection& connection) {
        connection.transaction([&](LibraryRevisions& changes) {
            changes.playlists += reconcilePlaylists(connection, playlists);
        });
    });
}

void LibraryRepository::savePlaylist(const Playlist& playlist) {
    perform([&](LibraryConnection& connection) {
        connection.transaction([&](LibraryRevisions& changes) {
            if (writePlaylist(connection, playlist)) ++changes.playlists;
        });
    });
}

std::vector<Playlist> LibraryRepository::playlists() {
    return perform([](LibraryConnection& connection) {
        return connection.records<Playlist>("SELECT json FROM playlists ORDER BY name COLLATE NOCASE");
    });
}

std::vector<Song> LibraryRepository::playlistSongs(const std::string& id) {
    return perform([&](LibraryConnection& connection) {
        return connection.records<Song>(
            "SELECT COALESCE(s.json,p.json) FROM playlist_entries p LEFT JOIN songs s ON "
            "s.id=p.song_id WHERE p.playlist_id=? ORDER BY p.position",
            {id});
    });
}

} // namespace sorvalind
