#pragma once
// What the queue does after its last entry: stop ("off"), play the history
// again ("all"), or keep repeating the current entry ("one"). Stored by its
// raw value, matched exactly and case-sensitively.
// Any thread; nothing here throws.

#include "library/raw_value_enum.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvalind {

struct RepeatModeCases {
    enum Case : std::uint8_t { off, all, one };
    static constexpr std::array<std::string_view, 3> rawValues{"off", "all", "one"};
};

using RepeatMode = RawValueEnum<RepeatModeCases>;

} // namespace sorvalind
