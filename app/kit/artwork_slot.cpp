#include "kit/artwork_slot.h"

#include "kit/symbols.h"

#include "model/app_model.h"
#include "platform/qt_image_decoder.h"

#include <QPainter>
#include <QPainterPath>

namespace sorvalind {

void paintArtwork(QPainter& painter, const QRectF& rect, const QImage& image, const QString& placeholder,
                  const QPalette& palette) {
    if (rect.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(rect, 5, 5);
    painter.setClipPath(clip);
    QColor fill = palette.color(QPalette::WindowText);
    fill.setAlphaF(0.08f);
    painter.fillRect(rect, fill);
    if (!image.isNull()) {
        // Scaled to fill: the shorter side fits, the longer one is cropped.
        QSizeF drawn = QSizeF(image.size()).scaled(rect.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(rect.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn);
        painter.drawImage(target, image);
    } else {
        const qreal side = rect.width() * 0.28;
        if (side >= 1) {
            QColor tint = palette.color(QPalette::WindowText);
            tint.setAlphaF(0.3f);
            const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
            const QPixmap symbol = symbolPixmap(placeholder, QSize(qCeil(side), qCeil(side)), tint, ratio);
            const QRectF target(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
            painter.drawPixmap(target, symbol, QRectF(symbol.rect()));
        }
    }
    painter.restore();
}

bool artworkConnected(const AppModel& model) {
    return model.connected().value() && !model.isOffline().value();
}

ArtworkLoad::ClientProvider artworkClient(const AppModel& model) {
    return [&model]() -> std::shared_ptr<APIClient> {
        return model.isOffline().value() ? nullptr : model.api();
    };
}

ArtworkSlot::ArtworkSlot(ArtworkSource& source, ArtworkLoad::ClientProvider client, QString placeholder,
                         std::function<void()> repaint)
    : load_(source, std::move(client)), placeholder_(std::move(placeholder)), repaint_(std::move(repaint)) {
    load_.setChanged([this] {
        image_ = qImageOf(load_.image());
        drawn_ = QImage();
        if (repaint_) repaint_();
    });
}

ArtworkSlot::ArtworkSlot(AppModel& model, QString placeholder, std::function<void()> repaint)
    : ArtworkSlot(model.artwork(), artworkClient(model), std::move(placeholder), std::move(repaint)) {}

void ArtworkSlot::paint(QPainter& painter, const QRectF& rect, const QPalette& palette) const {
    // Scaling the picture through a rounded clip costs most of a scrolled
    // grid's frame, so the finished tile is kept for its size and copied.
    if (image_.isNull() || rect.isEmpty() || painter.worldTransform().type() > QTransform::TxTranslate) {
        paintArtwork(painter, rect, image_, placeholder_, palette);
        return;
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (rect.size() * ratio).toSize();
    const QColor fill = palette.color(QPalette::WindowText);
    if (drawn_.size() != pixels || drawn_.devicePixelRatio() != ratio || drawnFill_ != fill) {
        drawn_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        drawn_.setDevicePixelRatio(ratio);
        drawn_.fill(Qt::transparent);
        drawnFill_ = fill;
        QPainter inner(&drawn_);
        paintArtwork(inner, QRectF(QPointF(0, 0), QSizeF(pixels) / ratio), image_, placeholder_, palette);
    }
    painter.drawImage(rect.topLeft(), drawn_);
}

} // namespace sorvalind
