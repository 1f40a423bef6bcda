#include "kit/genre_artwork.h"

#include "kit/genre_icon.h"
#include "kit/symbols.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace sorvalind {

namespace {

QColor hsb(double hue, double saturation, double brightness) {
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(saturation),
                            static_cast<float>(brightness));
}

// A soft copy of the symbol's coverage: drawn small and scaled back up, which
// blurs it by about the shrink factor.
QPixmap softShadow(const QPixmap& symbol, qreal radius) {
    const QSize full = symbol.size();
    const qreal shrink = std::max<qreal>(2.0, radius * symbol.devicePixelRatio() / 2.0);
    const QSize small((full.width() / shrink) + 1, (full.height() / shrink) + 1);
    const QImage reduced = symbol.toImage().scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPixmap blurred =
        QPixmap::fromImage(reduced.scaled(full, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    blurred.setDevicePixelRatio(symbol.devicePixelRatio());
    return blurred;
}

} // namespace

void paintGenreArtwork(QPainter& painter, const QRectF& rect, const QString& genre) {
    if (rect.isEmpty()) return;
    const GenreIcon icon = GenreIcon::style(genre.toStdString());
    const qreal w = rect.width();
    const qreal h = rect.height();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(rect, 10, 10);
    painter.setClipPath(clip);

    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, hsb(icon.hue, 0.65, 0.72));
    gradient.setColorAt(1, hsb(icon.hue, 0.8, 0.32));
    painter.fillRect(rect, gradient);

    QPen ring(QColor(255, 255, 255, qRound(255 * 0.09)));
    ring.setWidthF(w * 0.16);
    ring.setCapStyle(Qt::FlatCap);
    ring.setJoinStyle(Qt::MiterJoin);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    const QSizeF ringSize(w * 0.85, h * 0.85);
    const QPointF ringCentre = rect.center() + QPointF(w * 0.3, h * 0.3);
    painter.drawEllipse(QRectF(ringCentre - QPointF(ringSize.width() / 2, ringSize.height() / 2), ringSize));

    const qreal side = w * 0.34;
    if (side >= 1) {
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        const QSize symbolSize(qCeil(side), qCeil(side));
        const QRectF target(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        const QPixmap shadow = softShadow(
            symbolPixmap(QString::fromStdString(icon.symbol), symbolSize, QColor(0, 0, 0, 38), ratio), 8);
        painter.drawPixmap(target.translated(0, 4), shadow, QRectF(shadow.rect()));
        const QPixmap symbol =
            symbolPixmap(QString::fromStdString(icon.symbol), symbolSize, Qt::white, ratio);
        painter.drawPixmap(target, symbol, QRectF(symbol.rect()));
    }
    painter.restore();
}

GenreArtwork::GenreArtwork(QString genre, QWidget* parent) : QWidget(parent), genre_(std::move(genre)) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void GenreArtwork::setGenre(const QString& genre) {
    if (genre == genre_) return;
    genre_ = genre;
    update();
}

void GenreArtwork::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Square, centred: the tile keeps its aspect ratio in any frame.
    const qreal side = std::min(width(), height());
    const QRectF square((width() - side) / 2, (height() - side) / 2, side, side);
    paintGenreArtwork(painter, square, genre_);
}

} // namespace sorvalind
