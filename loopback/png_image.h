#pragma once
// Small RGB pictures as PNG bytes, for the loopback server's cover art: a
// diagonal blend between two colours, written without compression (stored
// deflate blocks), so that no image library is needed. Any thread.

#include <cstdint>
#include <string>

namespace sorvalind::loopback {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// A `side` × `side` picture blending from `from` (top left) to `to`
// (bottom right). `side` is between 1 and 1024.
std::string blendedPng(int side, Rgb from, Rgb to);

} // namespace sorvalind::loopback
