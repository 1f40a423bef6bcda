#pragma once
// The starred artists of the model's artist list, in its order, as rows that
// point into the shared list (held here) rather than copies of it.
//
// GUI thread only.

#include "model/app_model.h"

#include <QAbstractListModel>

#include <cstddef>
#include <vector>

namespace sorvalind {

class FavoriteArtistsModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { idRole = Qt::UserRole + 1 };

    explicit FavoriteArtistsModel(QObject* parent = nullptr);

    void setArtists(AppModel::ArtistList artists);
    const Artist* artist(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    AppModel::ArtistList artists_;
    std::vector<std::size_t> starred_;
};

} // namespace sorvalind
