#pragma once
// The orders in which the store lists songs; stored by raw value.
// Any thread; nothing here throws.

#include "library/raw_value_enum.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvalind {

struct SongSortCases {
    enum Case : std::uint8_t { title, artist, album, added, played, playCount };
    static constexpr std::array<std::string_view, 6> rawValues{"title", "artist", "album",
                                                               "added", "played", "playCount"};
};

using SongSort = RawValueEnum<SongSortCases>;

} // namespace sorvalind
