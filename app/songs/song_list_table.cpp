#include "songs/song_list_table.h"

#include "songs/song_cell_delegates.h"
#include "songs/song_drag.h"
#include "songs/song_table_columns.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleHints>

#include <algorithm>

namespace sorvalind {
namespace {

constexpr int kRowHeight = 24;

int columnOf(SongColumn column) {
    return static_cast<int>(column);
}

// Menu texts are plain: an "&" stays an ampersand, not a mnemonic.
QString menuText(const std::string& title) {
    return QString::fromStdString(title).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void fillMenu(QMenu& menu, const MenuSpec& spec) {
    for (const MenuSpec& item : spec.items) {
        switch (item.kind) {
        case MenuSpec::Kind::separator:
            menu.addSeparator();
            break;
        case MenuSpec::Kind::submenu: {
            QMenu* sub = menu.addMenu(menuText(item.title));
            sub->setEnabled(item.enabled);
            fillMenu(*sub, item);
            break;
        }
        case MenuSpec::Kind::action: {
            QAction* action = menu.addAction(menuText(item.title));
            action->setEnabled(item.enabled);
            QObject::connect(action, &QAction::triggered, &menu, [run = item.action] {
                if (run) run();
            });
            break;
        }
        }
    }
}

} // namespace

SongListTable::SongListTable(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAccessibleName(QStringLiteral("Songs"));
    setFrameShape(QFrame::NoFrame);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(header, &QHeaderView::sectionResized, this, &SongListTable::clampSection);

    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);

    for (const SongColumnSpec& spec : songColumns) {
        const auto kind = spec.column == SongColumn::title      ? SongCellDelegate::Kind::title
                          : spec.column == SongColumn::duration ? SongCellDelegate::Kind::duration
                          : spec.column == SongColumn::liked    ? SongCellDelegate::Kind::liked
                                                                : SongCellDelegate::Kind::text;
        setItemDelegateForColumn(columnOf(spec.column), new SongCellDelegate(kind, this));
    }
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid() || index.column() == columnOf(SongColumn::liked)) return;
        if (playRow) playRow(index.row());
    });
}

void SongListTable::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitTitleColumn();
}

void SongListTable::fitTitleColumn() {
    QHeaderView* header = horizontalHeader();
    if (header->count() != static_cast<int>(songColumns.size())) return;
    if (!fitting_ && header->sectionSize(columnOf(SongColumn::artist)) == header->defaultSectionSize()) {
        fitting_ = true;
        for (const SongColumnSpec& spec : songColumns)
            header->resizeSection(columnOf(spec.column), spec.width);
        fitting_ = false;
    }
    int others = 0;
    for (const SongColumnSpec& spec : songColumns)
        if (spec.column != SongColumn::title) others += header->sectionSize(columnOf(spec.column));
    const int title = std::max(columnSpec(SongColumn::title).minimum, viewport()->width() - others);
    fitting_ = true;
    header->resizeSection(columnOf(SongColumn::title), title);
    fitting_ = false;
}

void SongListTable::clampSection(int logical, int, int newSize) {
    if (fitting_ || logical < 0 || logical >= static_cast<int>(songColumns.size())) return;
    const SongColumnSpec& spec = songColumns[static_cast<std::size_t>(logical)];
    int clamped = std::max(newSize, spec.minimum);
    if (spec.maximum) clamped = std::min(clamped, *spec.maximum + 20);
    fitting_ = true;
    if (clamped != newSize) horizontalHeader()->resizeSection(logical, clamped);
    fitting_ = false;
    if (spec.column != SongColumn::title) fitTitleColumn();
}

int SongListTable::reportedSelectedRow() const {
    const QModelIndexList rows =
        selectionModel() != nullptr ? selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) return -1;
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), {})) return current.row();
    int last = -1;
    for (const QModelIndex& index : rows)
        last = std::max(last, index.row());
    return last;
}

QMenu* SongListTable::popupMenu(const MenuSpec& spec, const QPoint& globalPosition) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    fillMenu(*menu, spec);
    openMenu_ = menu;
    menu->popup(globalPosition);
    return menu;
}

void SongListTable::showContextMenu(int row, const QPoint& globalPosition) {
    if (!menuProvider) return;
    const std::optional<MenuSpec> spec = menuProvider(row, false);
    if (spec) popupMenu(*spec, globalPosition);
}

void SongListTable::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        if (index.column() == columnOf(SongColumn::liked)) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            const bool secondPress =
                index.row() == lastHeartRow_ &&
                now - lastHeartPressMs_ <= QApplication::styleHints()->mouseDoubleClickInterval();
            lastHeartRow_ = index.row();
            lastHeartPressMs_ = now;
            if (!secondPress && toggleFavorite) toggleFavorite(index.row());
            event->accept();
            return;
        }
        if (index.column() == columnOf(SongColumn::rating) && menuProvider) {
            if (const std::optional<MenuSpec> spec = menuProvider(index.row(), true)) {
                popupMenu(*spec, event->globalPosition().toPoint());
                event->accept();
                return;
            }
        }
    }
    QTableView::mousePressEvent(event);
}

void SongListTable::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    // The double click's second press on a heart was the toggle's own.
    if (index.isValid() && index.column() == columnOf(SongColumn::liked)) {
        event->accept();
        return;
    }
    if (index.isValid() && index.column() == columnOf(SongColumn::rating)) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void SongListTable::contextMenuEvent(QContextMenuEvent* event) {
    int row = -1;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        row = rowAt(event->pos().y());
        if (row >= 0 && !selectionModel()->isRowSelected(row, {})) {
            selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                          QItemSelectionModel::Rows);
        }
    } else {
        row = currentIndex().isValid() ? currentIndex().row() : -1;
        if (row >= 0) {
            const QRect rect = visualRect(model()->index(row, 0));
            at = viewport()->mapToGlobal(QPoint(rect.left() + 20, rect.bottom()));
        }
    }
    event->accept();
    showContextMenu(row, at);
}

void SongListTable::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (playRow) {
            const int row = reportedSelectedRow();
            if (row >= 0) playRow(row);
        }
        event->accept();
        return;
    case Qt::Key_Space:
        // Play and pause belong to the window's shortcut.
        event->ignore();
        return;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if (event->key() == Qt::Key_Menu || event->modifiers() == Qt::ShiftModifier) {
            QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
            contextMenuEvent(&menuEvent);
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void SongListTable::startDrag(Qt::DropActions) {
    if (!dragData || selectionModel() == nullptr) return;
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) return;
    QMimeData* data = dragData(rows);
    if (data == nullptr) return;
    // The drag runs here rather than in the base class, which would remove
    // the dragged rows from the model after a move.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void SongListTable::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this && acceptsMoves && acceptsMoves()) {
        QTableView::dragEnterEvent(event);
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

void SongListTable::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() == this && acceptsMoves && acceptsMoves()) {
        QTableView::dragMoveEvent(event);
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    event->ignore();
}

int SongListTable::dropRowAt(const QPoint& position) const {
    const int count = model() != nullptr ? model()->rowCount() : 0;
    const int row = rowAt(position.y());
    if (row < 0) return count;
    const QRect rect = visualRect(model()->index(row, 0));
    // A drop on a row goes above it; the lower quarter means below.
    return position.y() > rect.top() + rect.height() * 3 / 4 ? row + 1 : row;
}

void SongListTable::dropEvent(QDropEvent* event) {
    if (event->source() != this || !acceptsMoves || !acceptsMoves() || !dropSongs) {
        event->ignore();
        return;
    }
    const int count = model()->rowCount();
    int row = count;
    const int at = rowAt(event->position().toPoint().y());
    if (at >= 0) {
        switch (dropIndicatorPosition()) {
        case QAbstractItemView::BelowItem:
            row = at + 1;
            break;
        case QAbstractItemView::OnViewport:
            row = count;
            break;
        default:
            row = at;
            break;
        }
    }
    const bool accepted = dropSongs(event->mimeData()->text(), row);
    event->setDropAction(Qt::MoveAction);
    if (accepted)
        event->accept();
    else
        event->ignore();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void SongListTable::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void SongListTable::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

} // namespace sorvalind
