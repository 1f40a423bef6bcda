#pragma once
// The random numbers of the model's shuffles (the home banner's rotation),
// injected so that a test can fix the seed. The generator and the reduction
// to a range are our own definitions, so one seed gives one sequence on every
// standard library.
//
// Not synchronised: one thread uses a given source at a time (the main
// actor). Nothing here throws but fromSystem(), which throws what
// std::random_device throws when the system has no random source.

#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace sorvalind {

class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed) noexcept : engine_(seed) {}
    // Seeded from the system's random device.
    static RandomSource fromSystem();

    // A uniformly drawn number in [0, bound); 0 for a bound of 0.
    std::size_t below(std::size_t bound) noexcept;

    // Puts the elements in a uniformly random order (Fisher-Yates).
    template <class T> void shuffle(std::vector<T>& items) noexcept {
        for (std::size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[below(i)]);
    }

private:
    std::mt19937_64 engine_;
};

} // namespace sorvalind
