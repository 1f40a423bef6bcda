#pragma once
// What the library's tile grids share: the count header, the column rule
// and the look of a pressed tile. GUI thread only (fonts, palettes).

#include <QRectF>
#include <QString>

#include <cstdint>

class QPainter;
class QWidget;

namespace sorvalind {

// The count in the user's locale (grouped) and the kind word, which has no
// singular: "1 artists".
QString libraryCountText(std::int64_t count, const QString& kind);
// The header row: that text in the callout font and secondary colour, padded
// 24 points to the sides and 10 above and below.
QWidget* makeLibraryCount(std::int64_t count, const QString& kind, QWidget* parent = nullptr);

// As many columns of 155 to 210 points as the width allows, 24 points apart,
// inside 24 points of padding on both sides.
struct LibraryColumns {
    static constexpr int padding = 24;
    static constexpr int spacing = 24;
    static constexpr double minimumTile = 155;
    static constexpr double maximumTile = 210;

    int count = 1;
    double tileWidth = 0; // never negative, however narrow the viewport

    static LibraryColumns fit(double viewportWidth);
    // The left edge of column `column` in the viewport.
    double columnX(int column) const;
};

// A tile button's look: 5 points of padding around its label; while pressed,
// a rounded rectangle (radius 10) in the accent at 14 % behind it and the
// whole tile at 80 % opacity.
struct LibraryTileStyle {
    static constexpr int padding = 5;
    static constexpr double cornerRadius = 10;

    static double opacity(bool pressed) { return pressed ? 0.8 : 1.0; }
    // Paints the background for `rect`, the tile with its padding.
    static void paintBackground(QPainter& painter, const QRectF& rect, bool pressed);
};

} // namespace sorvalind
