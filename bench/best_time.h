#pragma once
// The timing loop of the small benchmarks: the best of several rounds, so a
// busy machine's noise is left out, in seconds per call of `work`.

#include <algorithm>
#include <chrono>

namespace sorvalind::bench {

template <class Work> double bestSecondsPerCall(int rounds, int repeats, Work work) {
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < repeats; ++i)
            work();
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / repeats);
    }
    return best;
}

} // namespace sorvalind::bench
