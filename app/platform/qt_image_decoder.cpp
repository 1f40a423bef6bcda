#include "platform/qt_image_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace sorvalind {
namespace {

// A reader over the bytes without copying them; they outlive the reader.
class BytesReader {
public:
    explicit BytesReader(std::span<const std::uint8_t> bytes)
        : data_(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                        static_cast<qsizetype>(bytes.size()))),
          buffer_(&data_) {
        buffer_.open(QIODevice::ReadOnly);
        reader_.setDevice(&buffer_);
        reader_.setAllocationLimit(static_cast<int>(ImageDecoder::kMaxDecodedBytes / (1024 * 1024)));
        reader_.setAutoTransform(true);
    }
    BytesReader(const BytesReader&) = delete;
    BytesReader& operator=(const BytesReader&) = delete;

    QImageReader& operator*() noexcept { return reader_; }
    QImageReader* operator->() noexcept { return &reader_; }

private:
    QByteArray data_;
    QBuffer buffer_;
    QImageReader reader_;
};

// Cover art is a raster picture. Other formats a Qt installation may read
// (vector drawings, icon containers, raw camera files) are refused rather
// than handed to their parsers.
bool isCoverFormat(const QByteArray& format) {
    static const QByteArray formats[] = {"jpeg", "jpg", "png", "gif", "bmp", "webp"};
    return std::find(std::begin(formats), std::end(formats), format.toLower()) != std::end(formats);
}

} // namespace

std::optional<ImageSize> QtImageDecoder::declaredSize(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty()) return std::nullopt;
    BytesReader reader(bytes);
    if (!reader->canRead() || !isCoverFormat(reader->format())) return std::nullopt;
    const QSize size = reader->size();
    if (!size.isValid()) return std::nullopt;
    return ImageSize{size.width(), size.height()};
}

DecodedImagePointer QtImageDecoder::decodeChecked(std::span<const std::uint8_t> bytes,
                                                  const ImageSize& declared, const ImageSize& target) const {
    BytesReader reader(bytes);
    if (!reader->canRead() || !isCoverFormat(reader->format())) return nullptr;
    const QSize targetSize(static_cast<int>(target.width), static_cast<int>(target.height));
    const bool scales = target != declared;
    // The reader scales while decoding where its format can; for the others
    // the scaled size would be reached by a full decode anyway.
    if (scales && reader->supportsOption(QImageIOHandler::ScaledSize)) reader->setScaledSize(targetSize);

    QImage image = reader->read();
    if (image.isNull()) return nullptr;
    // Orientation may have turned the picture: fit the longer side again.
    const int longer = static_cast<int>(std::max(target.width, target.height));
    if (image.width() > longer || image.height() > longer)
        image = image.scaled(longer, longer, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) return nullptr;

    auto decoded = std::make_shared<DecodedImage>();
    decoded->width = image.width();
    decoded->height = image.height();
    decoded->bytesPerLine = static_cast<std::size_t>(image.width()) * 4;
    decoded->pixels.resize(decoded->bytesPerLine * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(decoded->pixels.data() + static_cast<std::size_t>(y) * decoded->bytesPerLine,
                    image.constScanLine(y), decoded->bytesPerLine);
    return decoded;
}

QImage qImageOf(DecodedImagePointer image) {
    if (!image || image->pixels.empty()) return {};
    // Qt calls the cleanup with the pointer it was given once the last
    // QImage sharing the pixels goes.
    const DecodedImage& decoded = *image;
    auto owner = std::make_unique<DecodedImagePointer>(std::move(image));
    QImage shared(
        decoded.pixels.data(), decoded.width, decoded.height, static_cast<qsizetype>(decoded.bytesPerLine),
        QImage::Format_RGBA8888_Premultiplied,
        [](void* info) { std::unique_ptr<DecodedImagePointer>(static_cast<DecodedImagePointer*>(info)); },
        owner.get());
    // From here the QImage owns the reference.
    owner.release();
    return shared;
}

} // namespace sorvalind
