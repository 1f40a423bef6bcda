#include "songs/song_table_model.h"

#include "songs/song_drag.h"

#include "library/clock_text.h"
#include "platform/text/text.h"

namespace sorvalind {
namespace {

const QString kDash = QStringLiteral("—");

QString orDash(const std::string& text) {
    return text.empty() ? kDash : QString::fromStdString(text);
}

} // namespace

QString songCellText(const SongTableRow& row, SongColumn column) {
    const Song& song = *row.song;
    switch (column) {
    case SongColumn::title:
        return QString::fromStdString(song.title);
    case SongColumn::artist:
        return QString::fromStdString(row.artist());
    case SongColumn::album:
        return orDash(song.album.value_or(""));
    case SongColumn::genre:
        return orDash(row.genre());
    case SongColumn::duration:
        return QString::fromStdString(clockText(song.duration.value_or(0)));
    case SongColumn::quality:
        return song.suffix ? QString::fromStdString(text::toUpper(*song.suffix)) : kDash;
    case SongColumn::rating:
        return row.rating() <= 0 ? kDash : QString::number(row.rating()) + QStringLiteral(" ★");
    case SongColumn::liked:
        return {};
    }
    return {};
}

SongTableModel::SongTableModel(const SongTableData& data, QObject* parent)
    : QAbstractTableModel(parent), data_(data) {}

int SongTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(data_.prepared().size());
}

int SongTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(songColumns.size());
}

const SongTableRow* SongTableModel::row(int position) const {
    if (position < 0 || static_cast<std::size_t>(position) >= data_.prepared().size()) return nullptr;
    return &data_.prepared().rows()[static_cast<std::size_t>(position)];
}

QVariant SongTableModel::data(const QModelIndex& index, int role) const {
    ++dataCalls_;
    const SongTableRow* r = index.isValid() ? row(index.row()) : nullptr;
    if (r == nullptr || index.column() < 0 || index.column() >= static_cast<int>(songColumns.size()))
        return {};
    const auto column = static_cast<SongColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column == SongColumn::liked ? QVariant() : QVariant(songCellText(*r, column));
    case Qt::ToolTipRole:
        return column == SongColumn::title || column == SongColumn::artist || column == SongColumn::album
                   ? QVariant(songCellText(*r, column))
                   : QVariant();
    case Qt::AccessibleTextRole:
        if (column == SongColumn::liked)
            return QString::fromUtf8(r->liked() ? "Unlike " : "Like ") +
                   QString::fromStdString(r->song->title);
        return songCellText(*r, column);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case LikedRole:
        return r->liked() == 1;
    case PlayingRole:
        return column == SongColumn::title && currentSongID_ && *currentSongID_ == r->song->id;
    case AvailableRole:
        return !available_ || available_(*r->song);
    default:
        return {};
    }
}

QVariant SongTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(songColumns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(
            songColumns[static_cast<std::size_t>(section)].header.data(),
            static_cast<qsizetype>(songColumns[static_cast<std::size_t>(section)].header.size()));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags SongTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList SongTableModel::mimeTypes() const {
    return {QStringLiteral("text/plain"), QString::fromLatin1(SongDrag::listMimeType)};
}

void SongTableModel::rowsReplaced() {
    beginResetModel();
    endResetModel();
}

void SongTableModel::rowsChanged(const std::set<std::size_t>& positions) {
    const int rows = rowCount();
    const int lastColumn = columnCount() - 1;
    auto it = positions.begin();
    while (it != positions.end()) {
        const std::size_t first = *it;
        std::size_t last = first;
        for (++it; it != positions.end() && *it == last + 1; ++it)
            last = *it;
        if (static_cast<int>(first) >= rows) break;
        const int end = std::min(static_cast<int>(last), rows - 1);
        emit dataChanged(index(static_cast<int>(first), 0), index(end, lastColumn));
    }
}

} // namespace sorvalind
