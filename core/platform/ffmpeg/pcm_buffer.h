#pragma once
// Decoded audio in the pipeline's layout: 32-bit float, deinterleaved, two
// channels, at the rate its decoder was asked for. Plain value; one thread at
// a time.

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace sorvalind {

struct PCMBuffer {
    std::array<std::vector<float>, 2> channels;

    std::size_t frameLength() const noexcept { return channels[0].size(); }
    bool empty() const noexcept { return channels[0].empty(); }

    // Moves the first `frames` frames (all when fewer) out into a buffer of
    // their own; the rest stays.
    PCMBuffer takeFront(std::size_t frames) { return takeFront(frames, PCMBuffer{}); }

    // The same, in `storage`'s memory (its frames dropped) rather than in new
    // memory; when all frames go, this buffer keeps `storage`'s memory.
    PCMBuffer takeFront(std::size_t frames, PCMBuffer storage) {
        for (auto& channel : storage.channels)
            channel.clear();
        frames = std::min(frames, frameLength());
        if (frames == frameLength()) {
            std::swap(storage.channels, channels);
            return storage;
        }
        for (std::size_t c = 0; c < 2; ++c) {
            auto& source = channels[c];
            storage.channels[c].assign(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(frames));
            source.erase(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(frames));
        }
        return storage;
    }
};

} // namespace sorvalind
