#pragma once
// The song table's Qt model over the prepared rows: one row per prepared
// row, the eight columns, and display values read from the rows only. It
// never sorts, moves or edits: sorting happens in the preparation, edits go
// through the application model, and the view tells this model what changed
// (a reset, changed rows as contiguous runs, or a repaint).
//
// GUI thread only.

#include "songs/song_table_columns.h"
#include "songs/song_table_data.h"

#include <QAbstractTableModel>

#include <functional>
#include <optional>
#include <set>
#include <string>

namespace sorvalind {

class SongTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Extra roles the delegates read.
    enum Role {
        LikedRole = Qt::UserRole + 1, // bool
        PlayingRole,                  // bool, on the title column
        AvailableRole,                // bool: playable now (online, or downloaded)
    };

    SongTableModel(const SongTableData& data, QObject* parent = nullptr);

    // Whether a song can play now; every row counts as available without it.
    void setAvailability(std::function<bool(const Song&)> available) { available_ = std::move(available); }
    void setCurrentSongID(std::optional<std::string> id) { currentSongID_ = std::move(id); }
    const std::optional<std::string>& currentSongID() const noexcept { return currentSongID_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    // What a drag from this table carries, so the view takes its drops.
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction; }

    // The rows were replaced: a reset.
    void rowsReplaced();
    // One dataChanged per contiguous run of the given positions.
    void rowsChanged(const std::set<std::size_t>& positions);

    // How often data() was asked (for measuring what the view reads).
    std::size_t dataCalls() const noexcept { return dataCalls_; }

private:
    const SongTableRow* row(int position) const;

    const SongTableData& data_;
    std::function<bool(const Song&)> available_;
    std::optional<std::string> currentSongID_;
    mutable std::size_t dataCalls_ = 0;
};

// The texts the table shows for a row ("—" for what is missing).
QString songCellText(const SongTableRow& row, SongColumn column);

} // namespace sorvalind
