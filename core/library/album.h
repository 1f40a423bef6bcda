#pragma once
// A library album as the music server's JSON gives it, with its songs when
// the JSON carries them. A plain value: any thread. decode() throws
// DecodingError (also for one malformed song), encode() EncodingError.

#include "library/artist.h"
#include "library/item_genre.h"
#include "library/song.h"

#include "library/json_coding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct Album {
    std::string id;
    std::string name;
    std::optional<std::string> artist;
    std::optional<std::string> artistId;
    std::optional<std::vector<Artist>> artists;
    std::optional<std::vector<Artist>> albumArtists;
    std::optional<std::string> coverArt;
    std::optional<std::int64_t> songCount;
    // Total seconds.
    std::optional<double> duration;
    std::optional<std::int64_t> year;
    std::optional<std::string> genre;
    std::optional<std::vector<ItemGenre>> genres;
    std::optional<std::string> created;
    std::optional<std::string> played;
    std::optional<std::int64_t> playCount;
    // Present exactly when the album is a favourite.
    std::optional<std::string> starred;
    std::optional<std::int64_t> userRating;
    std::optional<bool> isCompilation;
    std::optional<std::vector<Song>> song;

    // Identifier, name and optional artist text; the rest absent.
    static Album make(std::string id, std::string name, std::optional<std::string> artist = std::nullopt);

    static Album decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const Album&, const Album&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::Album> {
    std::size_t operator()(const sorvalind::Album& album) const noexcept;
};
