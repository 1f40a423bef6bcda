#pragma once
// A library artist as the music server's JSON gives it. A plain value:
// any thread. decode() throws DecodingError, encode() EncodingError.

#include "library/json_coding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sorvalind {

struct Artist {
    std::string id;
    std::string name;
    std::optional<std::string> coverArt;
    std::optional<std::int64_t> albumCount;
    // Present exactly when the artist is a favourite.
    std::optional<std::string> starred;
    std::optional<std::int64_t> userRating;

    // The two required fields, everything else absent.
    static Artist make(std::string id, std::string name);

    static Artist decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const Artist&, const Artist&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::Artist> {
    std::size_t operator()(const sorvalind::Artist& artist) const noexcept;
};
