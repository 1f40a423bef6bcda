#include "kit/library_grid.h"

#include "kit/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace sorvalind {

QString libraryCountText(std::int64_t count, const QString& kind) {
    return QLocale().toString(static_cast<qlonglong>(count)) + QLatin1Char(' ') + kind;
}

QWidget* makeLibraryCount(std::int64_t count, const QString& kind, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(24, 10, 24, 10);
    auto* label = new QLabel(libraryCountText(count, kind), row);
    label->setObjectName(QStringLiteral("libraryCount"));
    applyTextStyle(label, TextStyle::callout);
    applySecondaryStyle(label);
    layout->addWidget(label);
    layout->addStretch(1);
    return row;
}

LibraryColumns LibraryColumns::fit(double viewportWidth) {
    const double width = viewportWidth - 2 * padding;
    LibraryColumns columns;
    columns.count = std::max(1, static_cast<int>(std::floor((width + spacing) / (minimumTile + spacing))));
    const double shared = (width - spacing * (columns.count - 1)) / columns.count;
    columns.tileWidth = std::clamp(shared, 0.0, maximumTile);
    return columns;
}

double LibraryColumns::columnX(int column) const {
    return padding + column * (tileWidth + spacing);
}

void LibraryTileStyle::paintBackground(QPainter& painter, const QRectF& rect, bool pressed) {
    if (!pressed) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = accentColor();
    fill.setAlphaF(0.14f);
    QPainterPath shape;
    shape.addRoundedRect(rect, cornerRadius, cornerRadius);
    painter.fillPath(shape, fill);
    painter.restore();
}

} // namespace sorvalind
