#pragma once
// The row writers that several of the repository's operations share. Each
// runs on the repository's queue, inside the caller's transaction where it
// says so, and throws what library_repository.h lists.
// Internal to core/store.

#include "library/playlist.h"
#include "library/song.h"
#include "store/library_connection.h"
#include "store/library_repository.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

using PendingEdit = LibraryRepository::PendingEdit;

// Shows one queued edit on an item: a favourite sets "starred" to "pending"
// (value 1) or removes it, a rating sets "userRating"; other kinds change
// nothing.
template <class Item> void applyEdit(Item& item, const std::string& kind, std::int64_t value) {
    if (kind == "favorite") {
        if (value == 1)
            item.starred = "pending";
        else
            item.starred.reset();
    } else if (kind == "rating") {
        item.userRating = value;
    }
}

// Applies every queued edit of `target` kind whose item is `item`'s.
template <class Item>
void applyEdits(Item& item, LibraryItemKind target, const std::vector<PendingEdit>& edits) {
    for (const auto& edit : edits)
        if (edit.target == target && edit.itemID == item.id) applyEdit(item, edit.kind, edit.value);
}

// What the song writer changed.
struct SongWrite {
    // The row's JSON changed (a new row included).
    bool song = false;
    // The song's set of genre names changed.
    bool genres = false;
};

// Writes a song row with its credits and genres; an unchanged song only
// gets `generation`. Inside the caller's transaction.
SongWrite upsertSong(LibraryConnection& connection, const Song& song, const std::string& generation);

// Every queued edit; a failing read throws DatabaseError.
std::vector<PendingEdit> readPendingEdits(LibraryConnection& connection);

// Stores `value` under `key`, replacing any earlier value.
void putState(LibraryConnection& connection, const std::string& key, const std::string& value);

// Writes one playlist unless the stored header and entries are the same;
// true when it wrote. Inside the caller's transaction.
bool writePlaylist(LibraryConnection& connection, const Playlist& playlist);
// Makes the stored playlists equal to `playlists`; the number of playlists
// deleted or written. Inside the caller's transaction.
std::int64_t reconcilePlaylists(LibraryConnection& connection, const std::vector<Playlist>& playlists);

} // namespace sorvalind
