#include "library_window/row_geometry.h"

#include <algorithm>
#include <cmath>

namespace sorvalind {

RowGeometry RowGeometry::fromBar(int value, int pageStep, int maximum) {
    return {double(value), double(pageStep), double(std::max(maximum, 0))};
}

double RowGeometry::target(int direction) const {
    const double step = std::max(std::floor(width / kRowTileStride), 1.0) * kRowTileStride;
    const double wanted = offset + direction * step;
    return std::min(std::max(wanted, 0.0), maximumOffset);
}

} // namespace sorvalind
