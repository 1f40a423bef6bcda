#include "library_window/tile_grid.h"

#include "kit/elided_text.h"
#include "kit/genre_artwork.h"
#include "kit/library_grid.h"
#include "kit/text_styles.h"
#include "kit/visibility_tracker.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <cmath>
#include <set>

namespace sorvalind {
namespace {

// Half the gap between tiles sits inside each cell, half in the viewport's margin.
constexpr int halfGap = LibraryColumns::spacing / 2;
constexpr int nameHeight = 36;

int pictureGap(TileKind kind) {
    return kind == TileKind::genre ? 10 : 8;
}

bool hasSubtitle(TileKind kind) {
    return kind != TileKind::genre;
}

QFont nameFont() {
    QFont font = textFont(TextStyle::callout);
    font.setWeight(QFont::Medium);
    return font;
}

// The tile (with its padding) inside a cell.
QRectF tileRect(const QRect& cell) {
    return QRectF(cell).adjusted(halfGap, halfGap, -halfGap, -halfGap);
}

class TileDelegate final : public QStyledItemDelegate {
public:
    explicit TileDelegate(TileGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return grid_.gridSize();
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRectF tile = tileRect(option.rect);
        const bool pressed = grid_.pressedIndex() == index;
        painter->save();
        painter->setOpacity(LibraryTileStyle::opacity(pressed));
        LibraryTileStyle::paintBackground(*painter, tile, pressed);
        const QRectF inner = tile.adjusted(LibraryTileStyle::padding, LibraryTileStyle::padding,
                                           -LibraryTileStyle::padding, -LibraryTileStyle::padding);
        const double side = inner.width();
        const QRectF picture(inner.left(), inner.top(), side, side);
        const QString title = index.data(Qt::DisplayRole).toString();
        switch (grid_.kind()) {
        case TileKind::genre:
            paintGenreArtwork(*painter, picture, title);
            break;
        case TileKind::artist: {
            // The artwork paints its own rounded clip, so the circle is cut
            // from a picture painted apart.
            const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
            QPixmap square((picture.size() * ratio).toSize());
            square.setDevicePixelRatio(ratio);
            square.fill(Qt::transparent);
            {
                QPainter inner(&square);
                paintTile(inner, QRectF(QPointF(0, 0), picture.size()), index, QStringLiteral("person.fill"),
                          option.palette);
            }
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            QPainterPath circle;
            circle.addEllipse(picture);
            painter->setClipPath(circle, Qt::IntersectClip);
            painter->drawPixmap(picture.topLeft(), square);
            painter->restore();
            break;
        }
        }

        const Qt::Alignment align = grid_.kind() == TileKind::artist ? Qt::AlignHCenter : Qt::AlignLeft;
        const QFont font = nameFont();
        const QFontMetricsF metrics(font);
        painter->setFont(font);
        painter->setPen(option.palette.color(QPalette::Text));
        double y = picture.bottom() + pictureGap(grid_.kind());
        for (const QString& line : elidedLines(title, font, static_cast<int>(side), 2)) {
            painter->drawText(QRectF(inner.left(), y, side, metrics.height()), align | Qt::AlignTop, line);
            y += metrics.lineSpacing();
        }
        const QString subtitle = index.data(TileGridModel::SubtitleRole).toString();
        if (hasSubtitle(grid_.kind()) && !subtitle.isEmpty()) {
            const QFont small = textFont(TextStyle::callout);
            painter->setFont(small);
            painter->setPen(secondaryTextColor(option.palette));
            const double top = picture.bottom() + pictureGap(grid_.kind()) + nameHeight;
            painter->drawText(QRectF(inner.left(), top, side, QFontMetricsF(small).height()),
                              align | Qt::AlignTop,
                              QFontMetricsF(small).elidedText(subtitle, Qt::ElideRight, side));
        }
        painter->restore();
    }

private:
    void paintTile(QPainter& painter, const QRectF& rect, const QModelIndex& index,
                   const QString& placeholder, const QPalette& palette) const {
        if (const ArtworkSlot* slot = grid_.slotFor(index.row()))
            slot->paint(painter, rect, palette);
        else
            paintArtwork(painter, rect, QImage(), placeholder, palette);
    }

    TileGrid& grid_;
};

} // namespace

TileGrid::TileGrid(TileKind kind, AppModel& model, QWidget* parent)
    : QListView(parent), kind_(kind), model_(model), tiles_(this) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::NoSelection);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setUniformItemSizes(true);
    setWrapping(true);
    setSpacing(0);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(24);
    setViewportMargins(halfGap, halfGap, halfGap, halfGap);
    setMouseTracking(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setItemDelegate(new TileDelegate(*this));
    // The scroll bar coming or going changes the viewport's width only.
    viewport()->installEventFilter(this);
    setModel(&tiles_);
    connect(&tiles_, &QAbstractItemModel::modelReset, this, [this] {
        pressed_ = QPersistentModelIndex();
        scheduleVisibility();
    });
    connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
        emit routeRequested(index.data(TileGridModel::RouteRole).toString());
    });
    relayout();
}

TileGrid::~TileGrid() = default;

void TileGrid::setConnected(bool connected) {
    if (connected == connected_) return;
    connected_ = connected;
    for (auto& [route, slot] : slots_)
        slot->load().setConnected(connected);
}

QSize TileGrid::tileSize() const {
    const double side = std::max(0.0, tileWidth_ - 2 * LibraryTileStyle::padding);
    double height = 2 * LibraryTileStyle::padding + side + pictureGap(kind_) + nameHeight;
    if (hasSubtitle(kind_)) height += QFontMetricsF(textFont(TextStyle::callout)).height();
    return {static_cast<int>(std::floor(tileWidth_)), static_cast<int>(std::ceil(height))};
}

int TileGrid::columnCount() const {
    return columns_;
}

const ArtworkSlot* TileGrid::slotFor(int row) const {
    if (row < 0 || row >= static_cast<int>(tiles_.tiles().size())) return nullptr;
    const auto found = slots_.find(tiles_.tiles()[static_cast<std::size_t>(row)].route);
    return found == slots_.end() ? nullptr : found->second.get();
}

void TileGrid::relayout() {
    // The area's width without the scroll bar, as the viewport plus its margins.
    // One point less: the list view wraps a row that fills the width exactly.
    const LibraryColumns columns = LibraryColumns::fit(viewport()->width() + 2 * halfGap - 1);
    tileWidth_ = columns.tileWidth;
    columns_ = columns.count;
    const QSize tile = tileSize();
    const QSize cell(tile.width() + LibraryColumns::spacing, tile.height() + LibraryColumns::spacing);
    if (cell != gridSize()) setGridSize(cell);
    scheduleVisibility();
}

bool TileGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::Resize) relayout();
    return QListView::eventFilter(watched, event);
}

void TileGrid::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    relayout();
}

void TileGrid::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    scheduleVisibility();
}

void TileGrid::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    scheduleVisibility();
}

void TileGrid::hideEvent(QHideEvent* event) {
    QListView::hideEvent(event);
    // A hidden page holds no pictures.
    slots_.clear();
}

void TileGrid::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        pressed_ = index;
        viewport()->update(visualRect(index));
    }
}

void TileGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex was = pressed_;
    pressed_ = QPersistentModelIndex();
    if (was.isValid()) viewport()->update(visualRect(was));
    QListView::mouseReleaseEvent(event);
}

void TileGrid::scheduleVisibility() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        evaluateVisibility();
    });
}

void TileGrid::evaluateVisibility() {
    if (!isVisible()) {
        slots_.clear();
        return;
    }
    const QRectF viewportRect = viewport()->rect();
    std::set<std::string> onScreen;
    const auto& tiles = tiles_.tiles();
    // Tiles have one size and sit in row order: only the rows that meet the
    // viewport are asked.
    const QModelIndex first = indexAt(QPoint(halfGap, 0));
    int start = first.isValid() ? first.row() : 0;
    start = std::max(0, start - columns_);
    for (int row = start; row < static_cast<int>(tiles.size()); ++row) {
        const QRectF rect = tileRect(visualRect(tiles_.index(row)));
        if (rect.top() > viewportRect.bottom()) break;
        if (kind_ == TileKind::genre || !isTileVisible(rect, viewportRect)) continue;
        const GridTile& tile = tiles[static_cast<std::size_t>(row)];
        onScreen.insert(tile.route);
        auto& slot = slots_[tile.route];
        if (!slot) {
            slot = std::make_unique<ArtworkSlot>(
                model_, QStringLiteral("person.fill"), [this, route = tile.route] {
                    const auto& list = tiles_.tiles();
                    for (std::size_t i = 0; i < list.size(); ++i)
                        if (list[i].route == route)
                            viewport()->update(visualRect(tiles_.index(static_cast<int>(i))));
                });
            slot->load().setRequest({tile.coverArt, connected_, true});
            slot->load().show();
        } else {
            slot->load().setId(tile.coverArt);
        }
    }
    std::erase_if(slots_, [&](const auto& entry) { return !onScreen.contains(entry.first); });
}

} // namespace sorvalind
