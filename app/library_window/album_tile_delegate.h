#pragma once
// How one album tile sits in its grid cell and how it is painted: the cover
// (its side the tile's width less the padding), the name in the callout font
// with medium weight and the artist in the secondary colour, one line each,
// 8 points apart; behind a selected tile the accent at 12 % in a rounded
// rectangle, and a pressed tile as the kit's tile style draws it.
//
// GUI thread only (fonts).

#include <QRectF>
#include <QStyledItemDelegate>

#include <functional>

namespace sorvalind {

class ArtworkSlot;

struct AlbumTileLayout {
    static constexpr int lineSpacing = 8;
    static constexpr double selectionRadius = 8;

    double tileWidth = 155;
    int nameHeight = 0;
    int artistHeight = 0;

    // The line heights of the current fonts.
    static AlbumTileLayout measured(double tileWidth);
    double tileHeight() const;
    // A cell holds the tile and the grid's spacing, half on each side.
    QSize cell() const;
    QRectF tile(const QRect& cell) const;
    QRectF artwork(const QRect& cell) const;
    QRectF name(const QRect& cell) const;
    QRectF artist(const QRect& cell) const;
};

class AlbumTileDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using Layout = std::function<const AlbumTileLayout&()>;
    // The tile's artwork slot, none while the tile is off screen.
    using SlotFor = std::function<const ArtworkSlot*(const QModelIndex&)>;
    // Whether the pointer holds this tile down.
    using IsPressed = std::function<bool(const QModelIndex&)>;

    AlbumTileDelegate(Layout layout, SlotFor slotFor, IsPressed isPressed, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Layout layout_;
    SlotFor slotFor_;
    IsPressed isPressed_;
};

} // namespace sorvalind
