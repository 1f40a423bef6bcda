#pragma once
// The album grid's list: a static icon-mode list of uniform cells laid out
// by the kit's column rule (24 points of padding around it), scrolling per
// pixel. A click reports the tile with the modifiers the click carried; a
// right-click asks for the tile's menu. Each tile whose cover is at least
// 1 % on screen holds an artwork slot that loads it; the others hold none.
//
// GUI thread only.

#include "library_window/album_tile_delegate.h"

#include "kit/artwork_slot.h"

#include <QListView>
#include <QPersistentModelIndex>

#include <memory>
#include <string>
#include <unordered_map>

namespace sorvalind {

class AppModel;

class AlbumGridView final : public QListView {
    Q_OBJECT

public:
    AlbumGridView(std::weak_ptr<AppModel> model, QWidget* parent = nullptr);
    ~AlbumGridView() override;

    void setArtworkConnected(bool connected);
    const AlbumTileLayout& tileLayout() const noexcept { return layout_; }
    int columnCount() const noexcept { return columns_; }
    // The tiles holding an artwork slot now, by album identifier.
    std::size_t loadingTileCount() const noexcept { return slots_.size(); }
    const ArtworkSlot* slotFor(const QModelIndex& index) const;
    // Works out the column rule and which covers are on screen now.
    void relayout();
    void updateVisibleTiles();
    // The same on the next turn of the event loop, once however often asked.
    void scheduleVisibleTiles();

signals:
    void tileClicked(int row, Qt::KeyboardModifiers modifiers);
    void tileMenuRequested(int row, const QPoint& globalPosition);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;

private:
    std::string idOf(const QModelIndex& index) const;

    std::weak_ptr<AppModel> model_;
    AlbumTileLayout layout_;
    int columns_ = 1;
    bool artworkConnected_ = false;
    bool visibleScheduled_ = false;
    QPersistentModelIndex pressed_;
    // Kept by pointer: a slot's load calls back into it.
    std::unordered_map<std::string, std::unique_ptr<ArtworkSlot>> slots_;
};

} // namespace sorvalind
