#include "library_window/banner_layout.h"

namespace sorvalind {

BannerLayout bannerLayout(int width) {
    BannerLayout layout;
    layout.compact = width < 580;
    layout.narrow = width < 440;
    layout.cover = layout.narrow ? 96 : layout.compact ? 128 : 184;
    layout.gap = layout.compact ? 20 : 28;
    layout.nameSize = layout.compact ? 25 : 34;
    layout.captionSize = layout.narrow ? 9 : 11;
    layout.captionSpacing = layout.narrow ? 1 : 1.5;
    return layout;
}

} // namespace sorvalind
