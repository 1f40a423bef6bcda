#include "library_window/album_grid_view.h"

#include "library_window/album_grid_model.h"

#include "kit/library_grid.h"
#include "kit/visibility_tracker.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace sorvalind {
namespace {

// Half the grid's padding sits outside the cells, the other half inside
// them, so that the cells can carry the spacing evenly.
constexpr int outerMargin = LibraryColumns::padding - LibraryColumns::spacing / 2;

} // namespace

AlbumGridView::AlbumGridView(std::weak_ptr<AppModel> model, QWidget* parent)
    : QListView(parent), model_(std::move(model)),
      layout_(AlbumTileLayout::measured(LibraryColumns::minimumTile)) {
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::NoSelection);
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setViewportMargins(outerMargin, outerMargin, outerMargin, outerMargin);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    verticalScrollBar()->setSingleStep(24);
    setItemDelegate(new AlbumTileDelegate([this]() -> const AlbumTileLayout& { return layout_; },
                                          [this](const QModelIndex& index) { return slotFor(index); },
                                          [this](const QModelIndex& index) { return index == pressed_; },
                                          this));
    relayout();
}

AlbumGridView::~AlbumGridView() = default;

void AlbumGridView::setArtworkConnected(bool connected) {
    artworkConnected_ = connected;
    for (auto& [id, slot] : slots_)
        slot->load().setConnected(connected);
}

const ArtworkSlot* AlbumGridView::slotFor(const QModelIndex& index) const {
    auto found = slots_.find(idOf(index));
    return found == slots_.end() ? nullptr : found->second.get();
}

std::string AlbumGridView::idOf(const QModelIndex& index) const {
    return index.data(AlbumGridModel::idRole).toString().toStdString();
}

void AlbumGridView::relayout() {
    const LibraryColumns columns = LibraryColumns::fit(viewport()->width() + 2 * outerMargin);
    AlbumTileLayout layout = AlbumTileLayout::measured(columns.tileWidth);
    const bool changed =
        layout.cell() != layout_.cell() || columns.count != columns_ || layout.tileWidth != layout_.tileWidth;
    layout_ = layout;
    columns_ = columns.count;
    if (!changed && gridSize() == layout_.cell()) return;
    setGridSize(layout_.cell());
    scheduleVisibleTiles();
}

void AlbumGridView::scheduleVisibleTiles() {
    if (visibleScheduled_) return;
    visibleScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        visibleScheduled_ = false;
        updateVisibleTiles();
    });
}

void AlbumGridView::updateVisibleTiles() {
    std::unordered_map<std::string, std::unique_ptr<ArtworkSlot>> kept;
    QAbstractItemModel* items = model();
    const auto app = model_.lock();
    if (items && app && isVisible()) {
        const QRectF area = viewport()->rect();
        const int cellHeight = std::max(1, layout_.cell().height());
        const int offset = verticalScrollBar()->value();
        const int firstRow = std::max(0, offset / cellHeight - 1);
        const int lastRow = (offset + viewport()->height()) / cellHeight + 1;
        const int count = items->rowCount();
        const int first = std::min(count, firstRow * columns_);
        const int last = std::min(count, (lastRow + 1) * columns_);
        for (int row = first; row < last; ++row) {
            const QModelIndex index = items->index(row, 0);
            if (!isTileVisible(layout_.artwork(visualRect(index)), area)) continue;
            const std::string id = idOf(index);
            std::optional<std::string> cover;
            if (QVariant value = index.data(AlbumGridModel::coverArtRole); value.isValid())
                cover = value.toString().toStdString();
            auto found = slots_.find(id);
            std::unique_ptr<ArtworkSlot> slot;
            if (found != slots_.end()) {
                slot = std::move(found->second);
                slots_.erase(found);
            } else {
                slot = std::make_unique<ArtworkSlot>(*app, QStringLiteral("music.note"),
                                                     [this] { viewport()->update(); });
                slot->load().setConnected(artworkConnected_);
                slot->load().setVisible(true);
            }
            slot->load().setId(cover);
            if (!slot->load().isShown()) slot->load().show();
            kept.emplace(id, std::move(slot));
        }
    }
    // Tiles off screen let their pictures go.
    slots_.swap(kept);
    kept.clear();
    viewport()->update();
}

void AlbumGridView::resizeEvent(QResizeEvent* event) {
    relayout();
    QListView::resizeEvent(event);
    scheduleVisibleTiles();
}

void AlbumGridView::scrollContentsBy(int dx, int dy) {
    QListView::scrollContentsBy(dx, dy);
    scheduleVisibleTiles();
}

void AlbumGridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = indexAt(event->position().toPoint());
        if (pressed_.isValid()) setCurrentIndex(pressed_);
        setFocus(Qt::MouseFocusReason);
        viewport()->update();
    }
    // The base class would move the current index and start rubber bands.
    event->accept();
}

void AlbumGridView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPersistentModelIndex pressed = std::exchange(pressed_, QPersistentModelIndex());
    viewport()->update();
    const QModelIndex released = indexAt(event->position().toPoint());
    if (pressed.isValid() && released == pressed) emit tileClicked(released.row(), event->modifiers());
    event->accept();
}

void AlbumGridView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        emit tileClicked(currentIndex().row(), event->modifiers());
        return;
    }
    QListView::keyPressEvent(event);
}

void AlbumGridView::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    emit tileMenuRequested(index.row(), event->globalPos());
}

void AlbumGridView::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    scheduleVisibleTiles();
}

void AlbumGridView::hideEvent(QHideEvent* event) {
    QListView::hideEvent(event);
    slots_.clear();
}

void AlbumGridView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListView::rowsInserted(parent, start, end);
    scheduleVisibleTiles();
}

void AlbumGridView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
    QListView::dataChanged(topLeft, bottomRight, roles);
    viewport()->update();
}

} // namespace sorvalind
