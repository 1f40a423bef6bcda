#pragma once
// The featured banner's measures at a card width: compact below 580,
// narrow (also compact) below 440.
//
// Pure value; any thread.

namespace sorvalind {

struct BannerLayout {
    bool compact = false;
    bool narrow = false;
    int cover = 184;
    int gap = 28;
    int nameSize = 34;
    int captionSize = 11;
    double captionSpacing = 1.5;

    friend bool operator==(const BannerLayout&, const BannerLayout&) = default;
};

BannerLayout bannerLayout(int width);

} // namespace sorvalind
