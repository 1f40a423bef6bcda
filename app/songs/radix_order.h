#pragma once
// A stable ordering of items by columns of unsigned keys, most significant
// column first, by least-significant-digit counting passes: linear in the
// items, so a hundred thousand rows sort in a few passes over compact
// arrays instead of a comparison sort's n log n key reads. Items whose keys
// are all equal keep their given order.
//
// Pure function; any thread.

#include <cstdint>
#include <stop_token>
#include <vector>

namespace sorvalind {

// The permutation of 0..n-1 (n the length of every column) that puts the
// items in key order. Checks `stop` between passes and every 2048th item
// while gathering; throws CancellationError when it is set.
std::vector<std::uint32_t> radixOrder(const std::vector<std::vector<std::uint64_t>>& columns, std::size_t n,
                                      const std::stop_token& stop);

// Keys whose unsigned order is the order of the values.
constexpr std::uint64_t orderedKey(std::int64_t value) noexcept {
    return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63);
}
std::uint64_t orderedKey(double value) noexcept;

} // namespace sorvalind
