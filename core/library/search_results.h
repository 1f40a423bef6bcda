#pragma once
// The songs, albums and artists that one local search found. No JSON form,
// no equality. A plain value: any thread.

#include "library/album.h"
#include "library/artist.h"
#include "library/song.h"

#include <cstddef>
#include <vector>

namespace sorvalind {

struct SearchResults {
    std::vector<Song> songs;
    std::vector<Album> albums;
    std::vector<Artist> artists;

    // Songs plus albums plus artists.
    std::size_t count() const noexcept { return songs.size() + albums.size() + artists.size(); }
};

} // namespace sorvalind
