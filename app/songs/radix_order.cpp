#include "songs/radix_order.h"

#include "runtime/cancellation.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace sorvalind {
namespace {

constexpr unsigned kDigitBits = 16;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
constexpr std::size_t kCheckEvery = 2048;

} // namespace

std::uint64_t orderedKey(double value) noexcept {
    if (value == 0) value = 0; // -0.0 sorts with 0.0
    const auto bits = std::bit_cast<std::uint64_t>(value);
    // Negative numbers order backwards in their bits: flip them all; positive
    // ones only need to come after every negative one.
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

std::vector<std::uint32_t> radixOrder(const std::vector<std::vector<std::uint64_t>>& columns, std::size_t n,
                                      const std::stop_token& stop) {
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    if (n < 2) return order;
    std::vector<std::uint32_t> spareOrder(n);
    std::vector<std::uint64_t> keys(n);
    std::vector<std::uint64_t> spareKeys(n);
    std::vector<std::uint32_t> counts(kBuckets);
    // Least significant column first; each pass is stable, so the earlier
    // passes' order survives among equal digits.
    for (auto column = columns.rbegin(); column != columns.rend(); ++column) {
        const std::vector<std::uint64_t>& values = *column;
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        const std::uint64_t least = *low;
        const unsigned width = static_cast<unsigned>(std::bit_width(*high - least));
        if (width == 0) continue;
        for (std::size_t i = 0; i < n; ++i) {
            if (i % kCheckEvery == 0) throwIfCancelled(stop);
            keys[i] = values[order[i]] - least;
        }
        for (unsigned shift = 0; shift < width; shift += kDigitBits) {
            throwIfCancelled(stop);
            const std::size_t buckets = std::size_t{1} << std::min(kDigitBits, width - shift);
            const std::uint64_t mask = buckets - 1;
            std::fill_n(counts.begin(), buckets, 0u);
            for (std::size_t i = 0; i < n; ++i)
                ++counts[(keys[i] >> shift) & mask];
            std::uint32_t start = 0;
            for (std::size_t b = 0; b < buckets; ++b) {
                const std::uint32_t here = counts[b];
                counts[b] = start;
                start += here;
            }
            for (std::size_t i = 0; i < n; ++i) {
                const std::uint32_t to = counts[(keys[i] >> shift) & mask]++;
                spareKeys[to] = keys[i];
                spareOrder[to] = order[i];
            }
            keys.swap(spareKeys);
            order.swap(spareOrder);
        }
    }
    return order;
}

} // namespace sorvalind
