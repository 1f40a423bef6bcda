#include "model/album_banner_tint.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sorvalind {
namespace {

constexpr int kSide = 32;
constexpr int kLevels = 8; // per channel: 8 x 8 x 8 buckets

struct Bucket {
    double weight = 0;
    double red = 0;
    double green = 0;
    double blue = 0;
};

double linear(double component) noexcept {
    return component <= 0.04045 ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

} // namespace

AlbumBannerTint AlbumBannerTint::sample(std::span<const std::uint8_t> bytes, const ImageDecoder& decoder) {
    const DecodedImagePointer thumbnail = decoder.thumbnail(bytes, kSide);
    if (!thumbnail) return fallback();
    return sample(*thumbnail);
}

AlbumBannerTint AlbumBannerTint::sample(const DecodedImage& image) {
    if (image.width <= 0 || image.height <= 0) return fallback();

    std::array<Bucket, kLevels * kLevels * kLevels> buckets{};
    bool counted = false;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            // Stretched over the whole square: the source pixel under this
            // pixel's centre.
            const int sourceX = std::min(image.width - 1, (2 * x + 1) * image.width / (2 * kSide));
            const int sourceY = std::min(image.height - 1, (2 * y + 1) * image.height / (2 * kSide));
            const std::uint8_t* pixel = image.pixel(sourceX, sourceY);
            const double alpha = pixel[3] / 255.0;
            if (!(alpha > 0.5)) continue;
            const double r = std::min(pixel[0] / 255.0 / alpha, 1.0);
            const double g = std::min(pixel[1] / 255.0 / alpha, 1.0);
            const double b = std::min(pixel[2] / 255.0 / alpha, 1.0);
            const double w = 2 * (std::max({r, g, b}) - std::min({r, g, b})) + 1;
            auto level = [](double c) {
                return std::min(kLevels - 1, static_cast<int>(std::floor(c * (kLevels - 1))));
            };
            Bucket& bucket = buckets[static_cast<std::size_t>(level(r) * 64 + level(g) * 8 + level(b))];
            bucket.weight += w;
            bucket.red += w * r;
            bucket.green += w * g;
            bucket.blue += w * b;
            counted = true;
        }
    }
    if (!counted) return fallback();

    // Visited by key, and replaced only by a strictly heavier bucket: of
    // buckets of equal weight the lowest key wins, the same on every run.
    const Bucket* best = &buckets[0];
    for (const Bucket& bucket : buckets)
        if (bucket.weight > best->weight) best = &bucket;
    return {best->red / best->weight, best->green / best->weight, best->blue / best->weight};
}

bool AlbumBannerTint::usesDarkText() const noexcept {
    const double luminance = 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
    return luminance > 0.179;
}

AlbumBannerTint::Gradient AlbumBannerTint::gradient() const noexcept {
    const double lift = usesDarkText() ? 0.24 : 0;
    return {*this, {red * 0.76 + lift, green * 0.76 + lift, blue * 0.76 + lift}};
}

} // namespace sorvalind
