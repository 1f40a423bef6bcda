#pragma once
// The queue panel's table: one column, one selection, the rows of a
// QueueTableModel painted by a QueueCellDelegate. Song rows are 48 high,
// the headings 28 (set after every reload, the headings only). A drag
// carries the entry's identifier; after the drag nothing is removed here,
// the controller's next queue redraws the rows. The context menu of a song
// row opens the details or removes the entry (not the current one).
//
// GUI thread only; the model must outlive the table.

#include "songs/queue_table_model.h"

#include <QTableView>

#include <functional>

class QMenu;

namespace sorvalind {

class AppModel;
class QueueCellDelegate;

class QueueTableView : public QTableView {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const Song&)> showDetails;
        std::function<void(const std::string& id)> remove;
    };

    QueueTableView(AppModel* model, QueueTableModel& rows, Actions actions, QWidget* parent = nullptr);

    QueueTableModel& rows() const noexcept { return rows_; }
    QueueCellDelegate& cellDelegate() const noexcept { return *delegate_; }
    // The menu of a row (the caller owns it); none for a heading or no row.
    QMenu* makeMenu(int row, QWidget* parent);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void sizeHeadings();

    QueueTableModel& rows_;
    QueueCellDelegate* delegate_;
    Actions actions_;
};

} // namespace sorvalind
