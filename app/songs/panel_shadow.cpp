#include "songs/panel_shadow.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <qdrawutil.h>

#include <cmath>
#include <vector>

namespace sorvalind {
namespace {

// One pass of a box blur over the alpha of a premultiplied image; three
// passes come close to a Gaussian.
void blurShadowAlpha(QImage& image, int radius, bool horizontal) {
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> alpha(static_cast<std::size_t>(length));
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb* {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return reinterpret_cast<QRgb*>(image.scanLine(y)) + x;
        };
        for (int i = 0; i < length; ++i)
            alpha[static_cast<std::size_t>(i)] = qAlpha(*pixel(i));
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            if (i >= 0 && i < length) sum += alpha[static_cast<std::size_t>(i)];
        const int span = 2 * radius + 1;
        for (int i = 0; i < length; ++i) {
            const int a = sum / span;
            *pixel(i) = qRgba(0, 0, 0, a);
            const int out = i - radius;
            const int in = i + radius + 1;
            if (out >= 0) sum -= alpha[static_cast<std::size_t>(out)];
            if (in < length) sum += alpha[static_cast<std::size_t>(in)];
        }
    }
}

// A white-on-transparent shadow mask of a rounded rectangle, with a
// stretchable middle of one pixel.
QPixmap shadowPatch(const PanelLook& look, qreal ratio) {
    // Qt's own cache, so the pictures go with the application.
    const QString key = QStringLiteral("sorvalind-panel-shadow-%1-%2-%3")
                            .arg(look.radius)
                            .arg(look.blur)
                            .arg(static_cast<int>(std::lround(ratio * 100)));
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) return cached;

    const int corner = look.radius + look.blur;
    const int side = 2 * corner + 1;
    const int pixels = static_cast<int>(std::ceil(side * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(look.blur, look.blur, side - 2 * look.blur, side - 2 * look.blur),
                                look.radius, look.radius);
    }
    const int blur = std::max(1, static_cast<int>(std::lround(look.blur * ratio / 3.0)));
    for (int pass = 0; pass < 3; ++pass) {
        blurShadowAlpha(image, blur, true);
        blurShadowAlpha(image, blur, false);
    }
    QPixmap patch = QPixmap::fromImage(image);
    patch.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, patch);
    return patch;
}

} // namespace

QMargins panelShadowMargins(const PanelLook& look) {
    const int top = std::max(0, look.blur - look.offsetY);
    return {look.blur, top, look.blur, look.blur + look.offsetY};
}

void paintPanel(QPainter& painter, const QRect& panel, const QColor& fill, const QColor& border,
                const PanelLook& look, qreal devicePixelRatio) {
    const QPixmap patch = shadowPatch(look, devicePixelRatio);
    const int corner = look.radius + look.blur;
    const QRect shadow =
        panel.adjusted(-look.blur, -look.blur + look.offsetY, look.blur, look.blur + look.offsetY);
    painter.save();
    painter.setOpacity(look.shadow.alphaF());
    qDrawBorderPixmap(&painter, shadow, QMargins(corner, corner, corner, corner), patch);
    painter.restore();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5), look.radius, look.radius);
    painter.restore();
}

} // namespace sorvalind
