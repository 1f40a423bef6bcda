#pragma once
// The library items a row can lead to: an artist, or an album by its
// identifier. The song details' links and the listening recap's ranked rows
// open the same things, so the application follows both the same way.
//
// Plain values: any thread. Nothing here throws except on allocation failure.

#include "library/artist.h"

#include <cstddef>
#include <functional>
#include <string>

namespace sorvalind {

// Open this artist.
struct ArtistTarget {
    Artist artist;
    friend bool operator==(const ArtistTarget&, const ArtistTarget&) = default;
};

// Open the album with this identifier; the name titles the page until the
// album itself is loaded.
struct AlbumTarget {
    std::string id;
    std::string name;
    friend bool operator==(const AlbumTarget&, const AlbumTarget&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::ArtistTarget> {
    std::size_t operator()(const sorvalind::ArtistTarget& target) const noexcept {
        return std::hash<sorvalind::Artist>{}(target.artist);
    }
};

template <> struct std::hash<sorvalind::AlbumTarget> {
    std::size_t operator()(const sorvalind::AlbumTarget& target) const noexcept {
        return std::hash<std::string>{}(target.id) * 31 + std::hash<std::string>{}(target.name);
    }
};
