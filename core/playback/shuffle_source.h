#pragma once
// Where the queue's shuffles draw their randomness: a function that returns
// an index uniformly in [0, bound) for a bound of at least 1. The system
// source is seeded from the operating system's random device; tests inject a
// seeded or scripted one to get a known order.
// The system source keeps one generator per thread, so any thread may call
// it; an injected source is called on the caller's thread only.

#include <cstddef>
#include <functional>
#include <vector>

namespace sorvalind {

using ShuffleSource = std::function<std::size_t(std::size_t bound)>;

// Draws from a generator of the calling thread, seeded once from
// std::random_device.
std::size_t systemShuffleIndex(std::size_t bound);

// A uniform random permutation in place (Fisher-Yates): for i from the last
// index down to 1, swap element i with element random(i + 1).
template <class T> void shuffleInPlace(std::vector<T>& values, const ShuffleSource& random) {
    for (std::size_t index = values.size(); index > 1; --index) {
        std::size_t other = random(index);
        if (other != index - 1) std::swap(values[index - 1], values[other]);
    }
}

} // namespace sorvalind
