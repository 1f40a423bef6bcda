#pragma once
// A server playlist, with its entries in playlist order when the JSON carries
// them. A plain value: any thread. decode() throws DecodingError (also for
// one malformed entry), encode() EncodingError.

#include "library/song.h"

#include "library/json_coding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct Playlist {
    std::string id;
    std::string name;
    std::optional<std::int64_t> songCount;
    // Seconds.
    std::optional<double> duration;
    std::optional<std::string> coverArt;
    std::optional<std::string> owner;
    // Time of the last change, as the server's text.
    std::optional<std::string> changed;
    std::optional<std::vector<Song>> entry;

    static Playlist decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const Playlist&, const Playlist&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::Playlist> {
    std::size_t operator()(const sorvalind::Playlist& playlist) const noexcept;
};
