#include "kit/symbols.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

namespace sorvalind {

namespace {

QString resourcePath(const QString& name) {
    return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg");
}

// Draws at whatever size the icon is asked for, so the symbol stays sharp
// in a menu, a toolbar and a large header alike.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(QString name, QColor color) : name_(std::move(name)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, symbolPixmap(name_, rect.size(), colorFor(mode), ratio));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return symbolPixmap(name_, size, colorFor(mode));
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        return symbolPixmap(name_, size, colorFor(mode), scale);
    }
    QIconEngine* clone() const override { return new SymbolEngine(name_, color_); }
    QString key() const override { return QStringLiteral("sorvalind-symbol"); }
    bool isNull() override { return !hasSymbol(name_); }

private:
    QColor colorFor(QIcon::Mode mode) const {
        if (mode != QIcon::Disabled) return color_;
        QColor faded = color_;
        faded.setAlphaF(color_.alphaF() * 0.35);
        return faded;
    }

    QString name_;
    QColor color_;
};

} // namespace

bool hasSymbol(const QString& name) {
    return !name.isEmpty() && QFile::exists(resourcePath(name));
}

QPixmap symbolPixmap(const QString& name, QSize size, const QColor& color, qreal devicePixelRatio) {
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize();
    QPixmap pixmap(pixels.expandedTo(QSize(1, 1)));
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resourcePath(name));
    if (renderer.isValid() && !size.isEmpty()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // Keep the drawing's proportions, centred in the square asked for.
        QSizeF drawn = renderer.defaultSize();
        drawn.scale(QSizeF(pixels), Qt::KeepAspectRatio);
        const QRectF target((pixels.width() - drawn.width()) / 2, (pixels.height() - drawn.height()) / 2,
                            drawn.width(), drawn.height());
        renderer.render(&painter, target);
        // The drawings are black: keep their coverage, take the colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), color);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    if (!hasSymbol(name)) return QIcon();
    return QIcon(new SymbolEngine(name, color));
}

} // namespace sorvalind
