#include "model/random_source.h"

#include <limits>

namespace sorvalind {

RandomSource RandomSource::fromSystem() {
    std::random_device device;
    const std::uint64_t seed = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    return RandomSource(seed);
}

std::size_t RandomSource::below(std::size_t bound) noexcept {
    if (bound == 0) return 0;
    // Draws past the largest multiple of the bound are redrawn, so that every
    // remainder is equally likely.
    const std::uint64_t range = bound;
    const std::uint64_t limit =
        std::numeric_limits<std::uint64_t>::max() - std::numeric_limits<std::uint64_t>::max() % range;
    std::uint64_t draw = engine_();
    while (draw >= limit)
        draw = engine_();
    return static_cast<std::size_t>(draw % range);
}

} // namespace sorvalind
