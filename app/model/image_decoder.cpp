#include "model/image_decoder.h"

#include <algorithm>

namespace sorvalind {

bool ImageDecoder::withinBudget(const ImageSize& size) noexcept {
    if (size.width <= 0 || size.height <= 0) return false;
    // Divisions, so that no product of hostile dimensions can overflow.
    const std::int64_t maxPixels = kMaxDecodedBytes / 4;
    return size.width <= maxPixels && size.height <= maxPixels / size.width;
}

ImageSize ImageDecoder::fitted(const ImageSize& size, int maxPixelSize) noexcept {
    const std::int64_t longer = std::max(size.width, size.height);
    if (maxPixelSize <= 0 || longer <= maxPixelSize) return size;
    auto scale = [&](std::int64_t side) {
        // Rounded to the nearest pixel, at least one.
        return std::max<std::int64_t>(1, (side * maxPixelSize + longer / 2) / longer);
    };
    return {scale(size.width), scale(size.height)};
}

bool ImageDecoder::isDecodable(std::span<const std::uint8_t> bytes) const {
    const std::optional<ImageSize> size = declaredSize(bytes);
    return size && withinBudget(*size);
}

DecodedImagePointer ImageDecoder::thumbnail(std::span<const std::uint8_t> bytes, int maxPixelSize) const {
    const std::optional<ImageSize> size = declaredSize(bytes);
    if (!size || !withinBudget(*size)) return nullptr;
    return decodeChecked(bytes, *size, fitted(*size, maxPixelSize));
}

} // namespace sorvalind
