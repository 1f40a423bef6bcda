#include "library_window/favorite_artists_model.h"

namespace sorvalind {

FavoriteArtistsModel::FavoriteArtistsModel(QObject* parent) : QAbstractListModel(parent) {}

void FavoriteArtistsModel::setArtists(AppModel::ArtistList artists) {
    beginResetModel();
    artists_ = std::move(artists);
    starred_.clear();
    if (artists_)
        for (std::size_t i = 0; i < artists_->size(); ++i)
            if ((*artists_)[i].starred) starred_.push_back(i);
    endResetModel();
}

const Artist* FavoriteArtistsModel::artist(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= starred_.size()) return nullptr;
    return &(*artists_)[starred_[static_cast<std::size_t>(row)]];
}

int FavoriteArtistsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(starred_.size());
}

QVariant FavoriteArtistsModel::data(const QModelIndex& index, int role) const {
    const Artist* found = index.isValid() ? artist(index.row()) : nullptr;
    if (!found) return {};
    if (role == Qt::DisplayRole) return QString::fromStdString(found->name);
    if (role == idRole) return QString::fromStdString(found->id);
    return {};
}

Qt::ItemFlags FavoriteArtistsModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace sorvalind
