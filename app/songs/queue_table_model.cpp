#include "songs/queue_table_model.h"

#include <QMimeData>
#include <QUuid>

#include <algorithm>

namespace sorvalind {

QueueTableModel::QueueTableModel(Move move, QObject* parent)
    : QAbstractListModel(parent), move_(std::move(move)) {}

bool QueueTableModel::update(const QueueState& queue, bool offline, const std::set<std::string>& downloaded) {
    std::vector<QueueEntry> entries = shownQueueEntries(queue);
    const int manualCount = static_cast<int>(queue.manual.size());
    std::optional<std::string> currentID = queue.current ? std::optional(queue.current->id) : std::nullopt;
    if (entries == entries_ && manualCount == manualCount_ && currentID == currentID_ &&
        offline == offline_ && downloaded == downloaded_)
        return false;
    beginResetModel();
    entries_ = std::move(entries);
    manualCount_ = manualCount;
    currentID_ = std::move(currentID);
    offline_ = offline;
    downloaded_ = downloaded;
    rows_ = queueRows(queue);
    endResetModel();
    return true;
}

const QueueRow* QueueTableModel::row(int position) const {
    if (position < 0 || position >= static_cast<int>(rows_.size())) return nullptr;
    return &rows_[static_cast<std::size_t>(position)];
}

bool QueueTableModel::isAvailable(const Song& song) const {
    return !offline_ || downloaded_.contains(song.id);
}

int QueueTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant QueueTableModel::data(const QModelIndex& index, int role) const {
    const QueueRow* shown = row(index.row());
    if (!shown || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
    if (shown->isHeading()) return QString::fromStdString(*shown->heading);
    const Song& song = shown->entry->song;
    QString text = QString::fromStdString(song.title);
    if (role == Qt::AccessibleTextRole) {
        text += QStringLiteral(", ") + QString::fromStdString(song.artistNames());
        if (shown->current) text += QStringLiteral(", Now playing");
    }
    return text;
}

Qt::ItemFlags QueueTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    const QueueRow* shown = row(index.row());
    if (!shown) return Qt::NoItemFlags;
    // Drop-enabled so that a drop on a heading names the heading (and is
    // refused) rather than the row beside it.
    if (shown->isHeading()) return Qt::ItemIsEnabled | Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemNeverHasChildren;
}

QStringList QueueTableModel::mimeTypes() const {
    return {QString::fromLatin1(dragType)};
}

QMimeData* QueueTableModel::mimeData(const QModelIndexList& indexes) const {
    for (const QModelIndex& index : indexes) {
        const QueueRow* shown = row(index.row());
        if (!shown || shown->isHeading()) continue;
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(dragType), QByteArray::fromStdString(shown->entry->id));
        return data;
    }
    return nullptr;
}

std::optional<std::string> QueueTableModel::draggedID(const QMimeData* data) const {
    if (!data || !data->hasFormat(QString::fromLatin1(dragType))) return std::nullopt;
    const QUuid uuid =
        QUuid::fromString(QString::fromUtf8(data->data(QString::fromLatin1(dragType))).trimmed());
    if (uuid.isNull()) return std::nullopt;
    // Entries are made with upper-case identifiers.
    return uuid.toString(QUuid::WithoutBraces).toUpper().toStdString();
}

std::optional<int> QueueTableModel::dropTarget(const QMimeData* data, int row,
                                               const QModelIndex& parent) const {
    const int target = row >= 0 ? row : (parent.isValid() ? parent.row() : -1);
    const QueueRow* shown = this->row(target);
    if (!shown || shown->isHeading() || shown->entry->id == currentID_) return std::nullopt;
    const std::optional<std::string> dragged = draggedID(data);
    if (!dragged || dragged == currentID_) return std::nullopt;
    const bool known = std::any_of(entries_.begin(), entries_.end(),
                                   [&](const QueueEntry& entry) { return entry.id == *dragged; });
    if (!known) return std::nullopt;
    return target;
}

bool QueueTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                      const QModelIndex& parent) const {
    return action == Qt::MoveAction && dropTarget(data, row, parent).has_value();
}

bool QueueTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                   const QModelIndex& parent) {
    if (action != Qt::MoveAction) return false;
    const std::optional<int> target = dropTarget(data, row, parent);
    if (!target) return false;
    const std::string dragged = *draggedID(data);
    const std::string before = rows_[static_cast<std::size_t>(*target)].entry->id;
    if (dragged == before) return false;
    if (move_) move_(dragged, before);
    return true;
}

} // namespace sorvalind
