#pragma once
// A colour taken from an album's cover for the home banner and the artist
// page: the dominant colour of a 32 x 32 rendering, where saturated pixels
// weigh up to three times as much as grey ones, with the text colour and the
// gradient that suit it.
//
// The cover's bytes are untrusted: sampling decodes them through the
// ImageDecoder, whose declared-size check refuses a picture with bomb-sized
// dimensions before any pixel memory is taken, and asks only for a 32-pixel
// thumbnail. Anything that cannot be sampled gives the fallback tint.
//
// A plain value; sample() may run on any thread (it is pure work, no I/O).
// Throws only std::bad_alloc.

#include "model/image_decoder.h"

#include <cstdint>
#include <span>

namespace sorvalind {

struct AlbumBannerTint {
    // sRGB components, 0 to 1.
    double red = 0.16;
    double green = 0.2;
    double blue = 0.24;

    // The tint of covers that cannot be sampled.
    static constexpr AlbumBannerTint fallback() noexcept { return {}; }

    // The dominant colour of the encoded image.
    static AlbumBannerTint sample(std::span<const std::uint8_t> bytes, const ImageDecoder& decoder);
    // The same for pixels at hand: they are drawn stretched over 32 x 32.
    static AlbumBannerTint sample(const DecodedImage& image);

    // Whether text on this colour should be dark (relative luminance above
    // 0.179).
    bool usesDarkText() const noexcept;

    // The banner background: from the tint to a lighter end on light tints
    // or a darker end on dark ones.
    struct Gradient;
    Gradient gradient() const noexcept;

    friend bool operator==(const AlbumBannerTint&, const AlbumBannerTint&) = default;
};

// A linear gradient from the top-leading to the bottom-trailing corner
// between two opaque colours.
struct AlbumBannerTint::Gradient {
    AlbumBannerTint start;
    AlbumBannerTint end;
};

} // namespace sorvalind
