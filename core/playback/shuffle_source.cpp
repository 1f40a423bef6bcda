#include "playback/shuffle_source.h"

#include <random>

namespace sorvalind {

std::size_t systemShuffleIndex(std::size_t bound) {
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(generator);
}

} // namespace sorvalind
