#pragma once
// One genre entry of a song or album, as the server spells it. A plain
// value: any thread. decode() throws DecodingError, encode() EncodingError.

#include "library/json_coding.h"

#include <functional>
#include <string>

namespace sorvalind {

struct ItemGenre {
    std::string name;

    static ItemGenre decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const ItemGenre&, const ItemGenre&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::ItemGenre> {
    std::size_t operator()(const sorvalind::ItemGenre& genre) const noexcept;
};
