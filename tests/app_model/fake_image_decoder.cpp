#include "fake_image_decoder.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace sorvalind::test {

std::string FakeImageDecoder::encode(std::int64_t width, std::int64_t height, Colour colour,
                                     std::size_t size) {
    std::string text = "FAKEIMG " + std::to_string(width) + " " + std::to_string(height) + " " +
                       std::to_string(colour.red) + " " + std::to_string(colour.green) + " " +
                       std::to_string(colour.blue) + " " + std::to_string(colour.alpha) + ";";
    if (text.size() < size) text.resize(size, '.');
    return text;
}

std::optional<FakeImageDecoder::Header> FakeImageDecoder::parse(std::span<const std::uint8_t> bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                          std::min<std::size_t>(bytes.size(), 128));
    constexpr std::string_view magic = "FAKEIMG ";
    if (!text.starts_with(magic)) return std::nullopt;
    const char* at = text.data() + magic.size();
    const char* end = text.data() + text.size();
    std::int64_t numbers[6] = {};
    for (std::int64_t& number : numbers) {
        auto [next, error] = std::from_chars(at, end, number);
        if (error != std::errc() || next == end) return std::nullopt;
        at = next + 1;
    }
    if (*(at - 1) != ';') return std::nullopt;
    auto channel = [](std::int64_t value) { return static_cast<std::uint8_t>(value); };
    return Header{{numbers[0], numbers[1]},
                  {channel(numbers[2]), channel(numbers[3]), channel(numbers[4]), channel(numbers[5])}};
}

std::optional<ImageSize> FakeImageDecoder::declaredSize(std::span<const std::uint8_t> bytes) const {
    std::optional<Header> header = parse(bytes);
    if (!header) return std::nullopt;
    return header->size;
}

DecodedImagePointer FakeImageDecoder::decodeChecked(std::span<const std::uint8_t> bytes, const ImageSize&,
                                                    const ImageSize& target) const {
    ++decodes_;
    std::optional<Header> header = parse(bytes);
    if (!header) return nullptr;
    auto image = std::make_shared<DecodedImage>();
    image->width = static_cast<int>(target.width);
    image->height = static_cast<int>(target.height);
    image->bytesPerLine = static_cast<std::size_t>(image->width) * 4;
    const Colour c = header->colour;
    auto premultiplied = [&](std::uint8_t value) {
        return static_cast<std::uint8_t>((value * c.alpha + 127) / 255);
    };
    const std::uint8_t pixel[4] = {premultiplied(c.red), premultiplied(c.green), premultiplied(c.blue),
                                   c.alpha};
    image->pixels.resize(image->byteCount());
    for (std::size_t i = 0; i < image->pixels.size(); ++i)
        image->pixels[i] = pixel[i % 4];
    return image;
}

} // namespace sorvalind::test
