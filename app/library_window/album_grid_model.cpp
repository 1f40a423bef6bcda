#include "library_window/album_grid_model.h"

namespace sorvalind {

QString albumTileHelp() {
    return QStringLiteral("Open album · Ctrl-click to select multiple");
}

QString albumTileArtist(const Album& album) {
    return album.artist ? QString::fromStdString(*album.artist) : QStringLiteral("Unknown Artist");
}

AlbumGridModel::AlbumGridModel(QObject* parent) : QAbstractListModel(parent) {}

void AlbumGridModel::setAlbums(std::vector<Album> albums) {
    beginResetModel();
    albums_ = std::move(albums);
    endResetModel();
}

void AlbumGridModel::setSelection(const std::set<std::string>& selection) {
    if (selection == selection_) return;
    const std::set<std::string> before = std::exchange(selection_, selection);
    for (int row = 0; row < rowCount(); ++row) {
        const std::string& id = albums_[static_cast<std::size_t>(row)].id;
        if (before.contains(id) != selection_.contains(id)) {
            const QModelIndex changed = index(row);
            emit dataChanged(changed, changed, {selectedRole});
        }
    }
}

const Album* AlbumGridModel::album(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return &albums_[static_cast<std::size_t>(row)];
}

int AlbumGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(albums_.size());
}

QVariant AlbumGridModel::data(const QModelIndex& index, int role) const {
    const Album* album = index.isValid() && index.model() == this ? this->album(index.row()) : nullptr;
    if (!album) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(album->name);
    case Qt::AccessibleTextRole:
        return QString::fromStdString(album->name) + QStringLiteral(", ") + albumTileArtist(*album);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return albumTileHelp();
    case idRole:
        return QString::fromStdString(album->id);
    case artistRole:
        return albumTileArtist(*album);
    case coverArtRole:
        return album->coverArt ? QVariant(QString::fromStdString(*album->coverArt)) : QVariant();
    case selectedRole:
        return selection_.contains(album->id);
    default:
        return {};
    }
}

Qt::ItemFlags AlbumGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace sorvalind
