#pragma once
// The queue table's rows as a Qt model. It never edits its rows itself: a
// drop asks the controller to move the entry (through `move`), and the rows
// change only when the controller's next queue arrives through update().
// Qt's own row removal after a move drag finds no removeRows/moveRows here.
//
// A drag carries the entry's identifier as "text/plain". A drop lands above
// its target row: Above and On name that row, Below the next one; past the
// last row, on a heading, on the current entry, or with text that is no
// identifier of a shown entry other than the current one, it is refused.
//
// GUI thread only.

#include "songs/queue_rows.h"

#include <QAbstractListModel>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sorvalind {

class QueueTableModel : public QAbstractListModel {
    Q_OBJECT
public:
    using Move = std::function<void(const std::string& id, const std::string& before)>;
    static constexpr const char* dragType = "text/plain";

    explicit QueueTableModel(Move move, QObject* parent = nullptr);

    // Reloads (a reset) when the shown entries, the manual count, the current
    // entry, the offline flag or the downloaded set differ from the last
    // reload; true when it did.
    bool update(const QueueState& queue, bool offline, const std::set<std::string>& downloaded);

    const std::vector<QueueRow>& rows() const noexcept { return rows_; }
    const QueueRow* row(int position) const;
    const std::optional<std::string>& currentID() const noexcept { return currentID_; }
    int manualCount() const noexcept { return manualCount_; }
    // Drawn faded: offline and not downloaded.
    bool isAvailable(const Song& song) const;
    // The row a drop lands above, or none when it is refused.
    std::optional<int> dropTarget(const QMimeData* data, int row, const QModelIndex& parent) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

private:
    std::optional<std::string> draggedID(const QMimeData* data) const;

    Move move_;
    std::vector<QueueRow> rows_;
    std::vector<QueueEntry> entries_;
    int manualCount_ = -1;
    std::optional<std::string> currentID_;
    bool offline_ = false;
    std::set<std::string> downloaded_;
};

} // namespace sorvalind
