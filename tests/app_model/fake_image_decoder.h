#pragma once
// A deterministic ImageDecoder for the model's tests. Its "format" is a text
// header, "FAKEIMG <width> <height> <r> <g> <b> <a>;", followed by any bytes
// (so a test can pad a picture to an exact size); a decode gives a solid
// picture of that colour at the fitted size. It counts the decodes it
// performs, so that tests can tell merged and refused work.
//
// Any thread, like every decoder.

#include "model/image_decoder.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace sorvalind::test {

// Straight (not premultiplied) RGBA.
struct FakeImageColour {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
};

class FakeImageDecoder final : public ImageDecoder {
public:
    using Colour = FakeImageColour;

    // The header of a picture, padded with filler up to `size` bytes when
    // that is longer.
    static std::string encode(std::int64_t width, std::int64_t height, Colour colour = {},
                              std::size_t size = 0);

    std::optional<ImageSize> declaredSize(std::span<const std::uint8_t> bytes) const override;

    int decodes() const noexcept { return decodes_.load(); }

protected:
    DecodedImagePointer decodeChecked(std::span<const std::uint8_t> bytes, const ImageSize& declared,
                                      const ImageSize& target) const override;

private:
    struct Header {
        ImageSize size;
        Colour colour;
    };
    static std::optional<Header> parse(std::span<const std::uint8_t> bytes);

    mutable std::atomic<int> decodes_ = 0;
};

} // namespace sorvalind::test
