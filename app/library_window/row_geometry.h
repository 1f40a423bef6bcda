#pragma once
// A home row's scroll state, read from its horizontal bar, and what its
// arrow buttons do with it: a step of as many whole tiles (156 wide, 20
// apart) as the visible width holds, at least one, clamped to the content.
//
// Pure value; any thread.

namespace sorvalind {

inline constexpr double kRowTileStride = 176;

struct RowGeometry {
    double offset = 0;
    double width = 0;
    double maximumOffset = 0;

    // From a horizontal bar's value, its page step (the visible width) and
    // its maximum (content width minus visible width).
    static RowGeometry fromBar(int value, int pageStep, int maximum);

    // The offset an arrow of `direction` (-1 or +1) scrolls to.
    double target(int direction) const;
    // The pair of arrows is usable (else invisible but keeping its place).
    bool arrowsShown() const { return maximumOffset > 1; }
    bool canScrollLeft() const { return offset > 1; }
    bool canScrollRight() const { return offset < maximumOffset - 1; }

    friend bool operator==(const RowGeometry&, const RowGeometry&) = default;
};

} // namespace sorvalind
