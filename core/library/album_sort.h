#pragma once
// The orders in which the store lists albums; stored by raw value.
// Any thread; nothing here throws.

#include "library/raw_value_enum.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvalind {

struct AlbumSortCases {
    enum Case : std::uint8_t { title, artist, year, added };
    static constexpr std::array<std::string_view, 4> rawValues{"title", "artist", "year", "added"};
};

using AlbumSort = RawValueEnum<AlbumSortCases>;

} // namespace sorvalind
