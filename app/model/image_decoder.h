#pragma once
// Turning encoded cover art (JPEG, PNG, ...) into pixels, behind an interface
// so that the model stays free of any toolkit: the application decodes with
// Qt's image readers (app/platform), tests with a deterministic fake.
//
// Cover art comes from the server, so its bytes are untrusted: a small file
// may declare enormous dimensions. Every decode therefore reads the declared
// size from the header first and refuses a picture whose full-size pixels
// would exceed kMaxDecodedBytes, before any pixel memory is taken; backends
// decode thumbnails scaled where their format allows it.
//
// Any thread, concurrently: implementations keep no mutable state between
// calls. Nothing here throws but std::bad_alloc; a refused or undecodable
// picture gives nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace sorvalind {

// Pixel dimensions as a header declares them.
struct ImageSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// Decoded pixels: 8-bit RGBA in that byte order, alpha premultiplied, rows
// top to bottom, each `bytesPerLine` long.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::size_t bytesPerLine = 0;
    std::vector<std::uint8_t> pixels;

    // What the picture occupies in memory: the cost of a cached image.
    std::size_t byteCount() const noexcept { return bytesPerLine * static_cast<std::size_t>(height); }
    // The premultiplied RGBA of one pixel.
    const std::uint8_t* pixel(int x, int y) const noexcept {
        return pixels.data() + static_cast<std::size_t>(y) * bytesPerLine + static_cast<std::size_t>(x) * 4;
    }
};

using DecodedImagePointer = std::shared_ptr<const DecodedImage>;

class ImageDecoder {
public:
    // Full-size pixels at 4 bytes each may take at most this much: 4096 x 4096.
    static constexpr std::int64_t kMaxDecodedBytes = 64 * 1024 * 1024;

    virtual ~ImageDecoder() = default;

    // The dimensions of the first image as its header declares them, read
    // without decoding; none when the bytes are no image the backend knows.
    virtual std::optional<ImageSize> declaredSize(std::span<const std::uint8_t> bytes) const = 0;

    // A header was found and its dimensions are positive and within budget.
    bool isDecodable(std::span<const std::uint8_t> bytes) const;

    // The first image, scaled down (never up, aspect kept) so that its longer
    // side is at most `maxPixelSize`, oriented as its metadata says. None
    // when the bytes are refused by isDecodable() or fail to decode.
    DecodedImagePointer thumbnail(std::span<const std::uint8_t> bytes, int maxPixelSize) const;

    // Whether pixels of this size fit the budget.
    static bool withinBudget(const ImageSize& size) noexcept;
    // The size that fits `size` into a square of `maxPixelSize`, never
    // enlarged and never below one pixel.
    static ImageSize fitted(const ImageSize& size, int maxPixelSize) noexcept;

protected:
    // Decodes bytes whose declared size has passed the budget, to at most
    // `target` (the fitted size of `declared`).
    virtual DecodedImagePointer decodeChecked(std::span<const std::uint8_t> bytes, const ImageSize& declared,
                                              const ImageSize& target) const = 0;
};

} // namespace sorvalind
