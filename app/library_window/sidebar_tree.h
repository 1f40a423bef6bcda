#pragma once
// The sidebar's list: the "Library" items and the "Playlists" section with
// its "New Playlist" row, as a tree of two sections. Rows carry their route;
// section headers and the "New Playlist" row carry none and are never
// selected. Song drags dropped on a playlist row go to `dropOnPlaylist`.
//
// GUI thread only.

#include "library/playlist.h"

#include <QStandardItemModel>
#include <QTreeView>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

class SidebarTree : public QTreeView {
    Q_OBJECT
public:
    static constexpr int routeRole = Qt::UserRole + 1;
    static constexpr int playlistRole = Qt::UserRole + 2;
    static constexpr int newPlaylistRole = Qt::UserRole + 3;
    static constexpr int rowHeight = 26;

    explicit SidebarTree(QWidget* parent = nullptr);

    void setPlaylists(const std::vector<Playlist>& playlists);
    const std::vector<Playlist>& playlists() const noexcept { return playlists_; }
    // The row of `route` (invalid for none or a route without a row).
    QModelIndex indexOf(const std::optional<std::string>& route) const;
    QModelIndex playlistsSection() const;
    QModelIndex newPlaylistRow() const;
    // The playlist of a row, if it is one.
    std::optional<Playlist> playlistAt(const QModelIndex& index) const;

    // Accepts (true) or refuses a drop on the playlist.
    std::function<bool(const Playlist&, const QMimeData&)> dropOnPlaylist;

signals:
    void newPlaylistClicked();
    void playlistMenuRequested(const QString& playlistID, const QPoint& globalPosition);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QStandardItemModel items_;
    QStandardItem* library_;
    QStandardItem* playlistSection_;
    std::vector<Playlist> playlists_;
};

} // namespace sorvalind
