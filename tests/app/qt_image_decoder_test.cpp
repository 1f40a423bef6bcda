// The Qt image decoder on real PNG and JPEG bytes made here with QImage,
// and on a tiny PNG whose header declares enormous dimensions.
#include "platform/qt_image_decoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <array>
#include <cstring>

namespace sorvalind::test {
namespace {

std::string encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes.toStdString();
}

std::span<const std::uint8_t> span(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xff));
}

// The CRC-32 of PNG chunks (polynomial 0xEDB88320), bit by bit.
std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

// A PNG chunk: length, type, data, CRC of type and data.
void appendChunk(std::string& png, const char* type, const std::string& data) {
    appendBigEndian(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    png += typed;
    appendBigEndian(png, crc32(typed));
}

// A zlib stream holding `data` in one stored (uncompressed) block.
std::string zlibStored(const std::string& data) {
    std::string out = "\x78\x01";
    out.push_back('\x01'); // final block, stored
    const auto length = static_cast<std::uint16_t>(data.size());
    for (std::uint16_t value : {length, static_cast<std::uint16_t>(~length)}) {
        out.push_back(static_cast<char>(value & 0xff));
        out.push_back(static_cast<char>(value >> 8));
    }
    out += data;
    std::uint32_t a = 1, b = 0; // Adler-32
    for (unsigned char byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    appendBigEndian(out, (b << 16) | a);
    return out;
}

// A valid PNG of a few dozen bytes whose header declares `side` x `side`
// RGBA pixels; its image data holds the start of one row.
std::string pngBomb(std::uint32_t side) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    appendBigEndian(header, side);
    appendBigEndian(header, side);
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStored(std::string(1 + 4 * 16, '\0')));
    appendChunk(png, "IEND", "");
    return png;
}

TEST(QtImageDecoderTest, DecodesThumbnailsOfRealPictures) {
    const QtImageDecoder decoder;
    struct Case {
        const char* format;
        int width, height;
        int maxPixelSize;
        int thumbWidth, thumbHeight;
    };
    const Case cases[] = {
        {"PNG", 1200, 600, 400, 400, 200},
        {"JPEG", 1600, 1200, 400, 400, 300},
        {"PNG", 100, 50, 400, 100, 50}, // never enlarged
        {"JPEG", 64, 64, 32, 32, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.width << "x" << c.height);
        const std::string bytes = encoded(solid(c.width, c.height, QColor(200, 40, 20)), c.format);
        EXPECT_EQ(decoder.declaredSize(span(bytes)), (ImageSize{c.width, c.height}));
        const DecodedImagePointer image = decoder.thumbnail(span(bytes), c.maxPixelSize);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.thumbWidth);
        EXPECT_EQ(image->height, c.thumbHeight);
        EXPECT_EQ(image->byteCount(), static_cast<std::size_t>(c.thumbWidth) * c.thumbHeight * 4);
        const std::uint8_t* centre = image->pixel(image->width / 2, image->height / 2);
        EXPECT_NEAR(centre[0], 200, 6);
        EXPECT_NEAR(centre[1], 40, 6);
        EXPECT_NEAR(centre[2], 20, 6);
        EXPECT_EQ(centre[3], 255);
    }
}

TEST(QtImageDecoderTest, KeepsAlphaPremultipliedAndSharesPixelsWithQImage) {
    const QtImageDecoder decoder;
    const std::string bytes = encoded(solid(8, 8, QColor(255, 0, 0, 128)), "PNG");
    DecodedImagePointer image = decoder.thumbnail(span(bytes), 400);
    ASSERT_TRUE(image);
    EXPECT_NEAR(image->pixel(0, 0)[0], 128, 1);
    EXPECT_EQ(image->pixel(0, 0)[3], 128);

    const std::weak_ptr<const DecodedImage> decoded = image;
    QImage shown = qImageOf(std::move(image));
    EXPECT_EQ(shown.constBits(), decoded.lock()->pixels.data());
    EXPECT_EQ(shown.pixelColor(3, 3).alpha(), 128);
    EXPECT_NEAR(shown.pixelColor(3, 3).red(), 255, 2);
    // The QImage alone keeps the pixels alive.
    EXPECT_FALSE(decoded.expired());
    shown = QImage();
    EXPECT_TRUE(decoded.expired());
    EXPECT_TRUE(qImageOf(nullptr).isNull());
}

TEST(QtImageDecoderTest, RefusesDimensionBombsFromTheHeader) {
    const QtImageDecoder decoder;
    // 100,000 x 100,000 RGBA would take 40 GB; the file is tiny.
    const std::string bomb = pngBomb(100000);
    ASSERT_LT(bomb.size(), 200u);
    EXPECT_EQ(decoder.declaredSize(span(bomb)), (ImageSize{100000, 100000}));
    EXPECT_FALSE(decoder.isDecodable(span(bomb)));
    EXPECT_FALSE(decoder.thumbnail(span(bomb), 400));

    // Just within the budget (4096 x 4096) the same kind of file is decodable
    // as far as its header goes; just over it is not.
    EXPECT_TRUE(decoder.isDecodable(span(pngBomb(4096))));
    EXPECT_FALSE(decoder.isDecodable(span(pngBomb(4097))));
}

TEST(QtImageDecoderTest, RefusesWhatIsNoPicture) {
    const QtImageDecoder decoder;
    const std::string png = encoded(solid(16, 16, Qt::blue), "PNG");
    for (const std::string& bytes :
         {std::string(), std::string("<html>Not found</html>"), png.substr(0, 20)}) {
        EXPECT_FALSE(decoder.thumbnail(span(bytes), 400)) << bytes.size();
    }
}

} // namespace
} // namespace sorvalind::test
