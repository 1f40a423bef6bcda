#pragma once
// The store's in-memory change counters, one per kind of list. Every opened
// store starts them at 0; only committed writes move them, so a reader that
// sees a counter move reloads that kind of list. Plain value; any thread.

#include <cstdint>

namespace sorvalind {

struct LibraryRevisions {
    std::int64_t songs = 0;
    std::int64_t albums = 0;
    std::int64_t artists = 0;
    std::int64_t playlists = 0;
    std::int64_t genres = 0;

    // Adds the changes counted by one committed write.
    void add(const LibraryRevisions& changes) noexcept {
        songs += changes.songs;
        albums += changes.albums;
        artists += changes.artists;
        playlists += changes.playlists;
        genres += changes.genres;
    }

    friend bool operator==(const LibraryRevisions&, const LibraryRevisions&) = default;
};

} // namespace sorvalind
