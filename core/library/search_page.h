#pragma once
// One page of the server's library listing: artists, albums and songs, each
// list optional. No equality. A plain value: any thread. decode() throws
// DecodingError (one malformed record fails the page), encode()
// EncodingError.

#include "library/album.h"
#include "library/artist.h"
#include "library/song.h"

#include "library/json_coding.h"

#include <optional>
#include <vector>

namespace sorvalind {

struct SearchPage {
    std::optional<std::vector<Artist>> artist;
    std::optional<std::vector<Album>> album;
    std::optional<std::vector<Song>> song;

    // Stores each of the three lists as present, possibly empty.
    static SearchPage make(std::vector<Artist> artist, std::vector<Album> album, std::vector<Song> song);

    // True when each of the three lists is absent or empty.
    bool isEmpty() const noexcept;

    static SearchPage decode(const JSONElement& json);
    nlohmann::json encode() const;
};

} // namespace sorvalind
