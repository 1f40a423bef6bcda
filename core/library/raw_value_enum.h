#pragma once
// The small closed vocabularies that are stored by their text raw values and
// read back by exact, case-sensitive match (no trimming, no case folding).
// A vocabulary is a traits struct with an unscoped `Case` enumeration and the
// raw values in case order; RawValueEnum<Traits> gives it the common API.
// Any thread; nothing here throws.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>

namespace sorvalind {
namespace detail {

template <std::size_t N>
constexpr std::optional<std::size_t> indexOfRaw(const std::array<std::string_view, N>& raws,
                                                std::string_view text) noexcept {
    for (std::size_t index = 0; index < N; ++index)
        if (raws[index] == text) return index;
    return std::nullopt;
}

} // namespace detail

template <class Traits> class RawValueEnum : public Traits {
public:
    using Case = typename Traits::Case;
    static constexpr std::size_t caseCount = Traits::rawValues.size();

    constexpr RawValueEnum(Case value) noexcept : value_(value) {}
    constexpr operator Case() const noexcept { return value_; }

    // The case whose raw value is exactly `raw`; none for any other text.
    static constexpr std::optional<RawValueEnum> fromRaw(std::string_view raw) noexcept {
        auto index = detail::indexOfRaw(Traits::rawValues, raw);
        if (!index) return std::nullopt;
        return RawValueEnum(static_cast<Case>(*index));
    }

    // Every case in declaration order.
    static const std::array<RawValueEnum, caseCount>& allCases() noexcept {
        static const std::array<RawValueEnum, caseCount> cases =
            []<std::size_t... I>(std::index_sequence<I...>) {
            return std::array<RawValueEnum, caseCount>{RawValueEnum(static_cast<Case>(I))...};
        }
        (std::make_index_sequence<caseCount>());
        return cases;
    }

    constexpr std::string_view rawValue() const noexcept { return Traits::rawValues[value_]; }

private:
    Case value_;
};

} // namespace sorvalind

template <class Traits> struct std::hash<sorvalind::RawValueEnum<Traits>> {
    std::size_t operator()(sorvalind::RawValueEnum<Traits> value) const noexcept {
        return std::hash<std::string_view>{}(value.rawValue());
    }
};
