#pragma once
// Which kind of library item a queued favourite or rating edit targets;
// stored by raw value in the edits table.
// Any thread; nothing here throws.

#include "library/raw_value_enum.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvalind {

struct LibraryItemKindCases {
    enum Case : std::uint8_t { song, album, artist };
    static constexpr std::array<std::string_view, 3> rawValues{"song", "album", "artist"};
};

using LibraryItemKind = RawValueEnum<LibraryItemKindCases>;

} // namespace sorvalind
