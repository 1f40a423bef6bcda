#pragma once
// The song table's view: fixed 24-pixel rows, whole-row extended selection,
// the eight columns (the title takes the spare width, the others stay within
// their limits), and the table's own mouse and key rules. A press on a heart
// toggles the favourite without selecting or dragging (its double click
// toggles once and never plays); a press in the rating column pops up the
// rating menu without selecting; a right click on an unselected row selects
// it alone first; a double click elsewhere plays; Return plays the row the
// table reports as selected; the menu key and Shift+F10 open the context
// menu at the current row. Drags carry the rows' SongDrag payloads; drops
// are taken only from this table and handed on as (payload, drop row).
//
// GUI thread only.

#include "songs/menu_spec.h"

#include <QMenu>
#include <QPointer>
#include <QTableView>

#include <functional>
#include <optional>

class QMimeData;

namespace sorvalind {

class SongListTable : public QTableView {
    Q_OBJECT
public:
    explicit SongListTable(QWidget* parent = nullptr);

    // The menu for (row, ratingOnly); none gives no menu.
    std::function<std::optional<MenuSpec>(int row, bool ratingOnly)> menuProvider;
    std::function<void(int row)> toggleFavorite;
    std::function<void(int row)> playRow;
    // Whether this table takes a move now (a playlist in its own order).
    std::function<bool()> acceptsMoves;
    // A drop of `payload` (the first dragged row's JSON) before display row `row`.
    std::function<bool(const QString& payload, int row)> dropSongs;
    // The mime data of the given display rows (in display order).
    std::function<QMimeData*(const std::vector<int>& rows)> dragData;

    // The row Return plays: the current row when it is selected, else the
    // last selected row; -1 when none is selected.
    int reportedSelectedRow() const;

    // Shows a menu built from `spec` at `globalPosition` (popup, not modal).
    QMenu* popupMenu(const MenuSpec& spec, const QPoint& globalPosition);
    // The last menu shown, while it is open (for tests and screenshots).
    QMenu* openMenu() const { return openMenu_; }

    // Where a drop at `position` lands, as the display row it goes before.
    int dropRowAt(const QPoint& position) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showContextMenu(int row, const QPoint& globalPosition);
    void clampSection(int logical, int oldSize, int newSize);
    void fitTitleColumn();

    // A guard, not a connection to the menu's destruction: an open menu is a
    // child, deleted after this table's own part is gone.
    QPointer<QMenu> openMenu_;
    // The last press on a heart, so the second press of a double click
    // does not toggle it back.
    int lastHeartRow_ = -1;
    qint64 lastHeartPressMs_ = 0;
    bool fitting_ = false;
};

} // namespace sorvalind
