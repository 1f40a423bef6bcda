#pragma once
// The ImageDecoder on Qt's image readers, for the raster formats cover art
// comes in: JPEG, PNG, GIF, BMP and, where a plug-in reads it, WebP.
//
// The declared size comes from the reader's header parse; the decode then
// runs under the reader's own allocation limit as a second guard, scaled in
// the decoder itself where the format supports it (JPEG decodes straight to
// about the thumbnail's size) and otherwise scaled after a decode whose size
// the budget already bounds. Orientation metadata is applied.
//
// Any thread, concurrently (each call has its own reader); needs no
// QGuiApplication.

#include "model/image_decoder.h"

#include <QImage>

namespace sorvalind {

class QtImageDecoder final : public ImageDecoder {
public:
    std::optional<ImageSize> declaredSize(std::span<const std::uint8_t> bytes) const override;

protected:
    DecodedImagePointer decodeChecked(std::span<const std::uint8_t> bytes, const ImageSize& declared,
                                      const ImageSize& target) const override;
};

// A QImage over the decoded pixels, without copying them: it keeps the
// decoded image alive for as long as it (or a copy) lives. A null QImage for
// none.
QImage qImageOf(DecodedImagePointer image);

} // namespace sorvalind
