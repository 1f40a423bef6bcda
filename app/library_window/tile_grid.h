#pragma once
// A library tile grid: a list view in icon mode laid out by the column rule
// (as many columns of 155 to 210 points as fit, 24 points apart and inside
// 24 points of padding), fixed in place, with no selection and no drag. A
// click on a tile (pressed and released on the same tile) asks for its
// route. Artwork loads only for tiles at least 1 % on screen, and a tile
// that leaves the viewport releases its picture.
//
// GUI thread only. The model given outlives the grid.

#include "kit/artwork_slot.h"
#include "library_window/tile_grid_model.h"

#include <QListView>
#include <QPersistentModelIndex>

#include <functional>
#include <memory>
#include <unordered_map>

namespace sorvalind {

class AppModel;

enum class TileKind {
    artist, // round picture, name and album count centred
    genre,  // the genre's own tile, name leading
};

class TileGrid final : public QListView {
    Q_OBJECT
public:
    TileGrid(TileKind kind, AppModel& model, QWidget* parent = nullptr);
    ~TileGrid() override;

    TileGridModel& tiles() noexcept { return tiles_; }
    TileKind kind() const noexcept { return kind_; }
    // The connection flag every tile's artwork load takes.
    void setConnected(bool connected);

    // The tile's size and spacing for the current width.
    QSize tileSize() const;
    int columnCount() const;
    // The picture a tile's slot holds now; none when the tile has no slot
    // (not on screen).
    const ArtworkSlot* slotFor(int row) const;
    std::size_t slotCount() const noexcept { return slots_.size(); }
    // Works the visible tiles out now (also what the queued turn does).
    void evaluateVisibility();
    // The tile pressed now, for the pressed look.
    const QPersistentModelIndex& pressedIndex() const noexcept { return pressed_; }

signals:
    void routeRequested(const QString& route);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void relayout();
    void scheduleVisibility();

    TileKind kind_;
    AppModel& model_;
    TileGridModel tiles_;
    bool connected_ = false;
    bool scheduled_ = false;
    double tileWidth_ = 155;
    int columns_ = 1;
    QPersistentModelIndex pressed_;
    // By route; a slot stays where it was made while its load is under way.
    std::unordered_map<std::string, std::unique_ptr<ArtworkSlot>> slots_;
};

} // namespace sorvalind
