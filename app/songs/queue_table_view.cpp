#include "songs/queue_table_view.h"

#include "songs/queue_cell_delegate.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

namespace sorvalind {

QueueTableView::QueueTableView(AppModel* model, QueueTableModel& rows, Actions actions, QWidget* parent)
    : QTableView(parent), rows_(rows), delegate_(new QueueCellDelegate(model, rows, this)),
      actions_(std::move(actions)) {
    setModel(&rows_);
    setItemDelegate(delegate_);
    horizontalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(180);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(QueueCellDelegate::headingHeight);
    verticalHeader()->setDefaultSectionSize(QueueCellDelegate::songHeight);
    setShowGrid(false);
    setFrameShape(QFrame::NoFrame);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setAccessibleName(QStringLiteral("Playback queue"));
    connect(&rows_, &QAbstractItemModel::modelReset, this, &QueueTableView::sizeHeadings);
    connect(delegate_, &QueueCellDelegate::coverArrived, viewport(), qOverload<>(&QWidget::update));
    sizeHeadings();
}

void QueueTableView::sizeHeadings() {
    const auto& shown = rows_.rows();
    for (std::size_t position = 0; position < shown.size(); ++position)
        if (shown[position].isHeading())
            verticalHeader()->resizeSection(static_cast<int>(position), QueueCellDelegate::headingHeight);
}

void QueueTableView::startDrag(Qt::DropActions) {
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    QMimeData* data = rows_.mimeData(selected);
    if (!data) return;
    // Qt would remove the dragged rows after a move; the controller's next
    // queue redraws them instead, so the drag's outcome is not acted on.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

QMenu* QueueTableView::makeMenu(int row, QWidget* parent) {
    const QueueRow* shown = rows_.row(row);
    if (!shown || shown->isHeading()) return nullptr;
    auto* menu = new QMenu(parent);
    const Song song = shown->entry->song;
    const std::string id = shown->entry->id;
    menu->addAction(QStringLiteral("Song Details…"), this, [this, song] {
        if (actions_.showDetails) actions_.showDetails(song);
    });
    if (id != rows_.currentID())
        menu->addAction(QStringLiteral("Remove from Queue"), this, [this, id] {
            if (actions_.remove) actions_.remove(id);
        });
    return menu;
}

void QueueTableView::contextMenuEvent(QContextMenuEvent* event) {
    // An item view's context event comes in viewport coordinates.
    QMenu* menu = makeMenu(rowAt(event->pos().y()), this);
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace sorvalind
