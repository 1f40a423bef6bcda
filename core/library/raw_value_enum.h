#pragma once
// Shared lookup for the small enumerations that are stored by their text raw
// values and read back by exact, case-sensitive match.
// Any thread; pure.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace sorvalind::detail {

template <std::size_t N>
constexpr std::optional<std::size_t> indexOfRaw(const std::array<std::string_view, N>& raws,
                                                std::string_view text) noexcept {
    for (std::size_t index = 0; index < N; ++index)
        if (raws[index] == text) return index;
    return std::nullopt;
}

} // namespace sorvalind::detail
