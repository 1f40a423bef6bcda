#include "library_window/album_tile_delegate.h"

#include "library_window/album_grid_model.h"

#include "kit/artwork_slot.h"
#include "kit/library_grid.h"
#include "kit/text_styles.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace sorvalind {
namespace {

QFont nameFont() {
    QFont font = textFont(TextStyle::callout);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

AlbumTileLayout AlbumTileLayout::measured(double tileWidth) {
    AlbumTileLayout layout;
    layout.tileWidth = tileWidth;
    layout.nameHeight = QFontMetrics(nameFont()).height();
    layout.artistHeight = QFontMetrics(textFont(TextStyle::callout)).height();
    return layout;
}

double AlbumTileLayout::tileHeight() const {
    const double padding = LibraryTileStyle::padding;
    const double side = std::max(0.0, tileWidth - 2 * padding);
    return padding + side + lineSpacing + nameHeight + lineSpacing + artistHeight + padding;
}

QSize AlbumTileLayout::cell() const {
    return {static_cast<int>(std::floor(tileWidth)) + LibraryColumns::spacing,
            static_cast<int>(std::ceil(tileHeight())) + LibraryColumns::spacing};
}

QRectF AlbumTileLayout::tile(const QRect& cell) const {
    const double half = LibraryColumns::spacing / 2.0;
    return {cell.left() + half, cell.top() + half, tileWidth, tileHeight()};
}

QRectF AlbumTileLayout::artwork(const QRect& cell) const {
    const double padding = LibraryTileStyle::padding;
    const QRectF whole = tile(cell);
    const double side = std::max(0.0, tileWidth - 2 * padding);
    return {whole.left() + padding, whole.top() + padding, side, side};
}

QRectF AlbumTileLayout::name(const QRect& cell) const {
    const QRectF cover = artwork(cell);
    return {cover.left(), cover.bottom() + lineSpacing, cover.width(), static_cast<double>(nameHeight)};
}

QRectF AlbumTileLayout::artist(const QRect& cell) const {
    const QRectF above = name(cell);
    return {above.left(), above.bottom() + lineSpacing, above.width(), static_cast<double>(artistHeight)};
}

AlbumTileDelegate::AlbumTileDelegate(Layout layout, SlotFor slotFor, IsPressed isPressed, QObject* parent)
    : QStyledItemDelegate(parent), layout_(std::move(layout)), slotFor_(std::move(slotFor)),
      isPressed_(std::move(isPressed)) {}

void AlbumTileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const AlbumTileLayout& layout = layout_();
    const QRect cell = option.rect;
    const bool pressed = isPressed_(index);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF tile = layout.tile(cell);
    if (index.data(AlbumGridModel::selectedRole).toBool()) {
        QColor fill = accentColor();
        fill.setAlphaF(0.12f);
        QPainterPath path;
        path.addRoundedRect(tile, AlbumTileLayout::selectionRadius, AlbumTileLayout::selectionRadius);
        painter->fillPath(path, fill);
    }
    if (pressed) LibraryTileStyle::paintBackground(*painter, tile, true);
    painter->setOpacity(LibraryTileStyle::opacity(pressed));

    const QRectF cover = layout.artwork(cell);
    if (const ArtworkSlot* slot = slotFor_(index))
        slot->paint(*painter, cover, option.palette);
    else
        paintArtwork(*painter, cover, QImage(), QStringLiteral("music.note"), option.palette);

    const QFont name = nameFont();
    painter->setFont(name);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRectF nameRect = layout.name(cell);
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(name).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                    static_cast<int>(nameRect.width())));
    const QFont artist = textFont(TextStyle::callout);
    painter->setFont(artist);
    painter->setPen(secondaryTextColor(option.palette));
    const QRectF artistRect = layout.artist(cell);
    painter->drawText(artistRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(artist).elidedText(index.data(AlbumGridModel::artistRole).toString(),
                                                      Qt::ElideRight, static_cast<int>(artistRect.width())));
    painter->restore();
}

QSize AlbumTileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return layout_().cell();
}

} // namespace sorvalind
