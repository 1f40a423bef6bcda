#pragma once
// The inputs of the last published library load, one record per list, so
// that a load reads again only the lists whose inputs changed. Plain values.

#include "library/song_sort.h"

#include <cstdint>
#include <string>

namespace sorvalind {

struct SongRequest {
    std::string route; // the effective route
    std::string query;
    SongSort sort = SongSort::title;
    std::int64_t revision = 0;
    std::int64_t playlistRevision = 0; // for a "playlist:" route, else 0

    friend bool operator==(const SongRequest&, const SongRequest&) = default;
};

struct CollectionRequest {
    std::string query;
    std::int64_t revision = 0;

    friend bool operator==(const CollectionRequest&, const CollectionRequest&) = default;
};

struct ArtistRequest {
    std::string query;
    std::int64_t artists = 0;
    std::int64_t albums = 0;
    std::int64_t songs = 0;

    friend bool operator==(const ArtistRequest&, const ArtistRequest&) = default;
};

} // namespace sorvalind
