#pragma once
// The album grid's rows: the displayed albums in display order, each
// marked when its identifier is in the grid's own selection. Items are
// enabled but neither selectable nor draggable: the grid paints its
// selection itself.
//
// GUI thread only.

#include "library/album.h"

#include <QAbstractListModel>

#include <set>
#include <string>
#include <vector>

namespace sorvalind {

// The tile's help text, read out as its accessible description too.
QString albumTileHelp();
// The album's artist text, or "Unknown Artist".
QString albumTileArtist(const Album& album);

class AlbumGridModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        idRole = Qt::UserRole + 1,
        artistRole,
        coverArtRole,
        selectedRole,
    };

    explicit AlbumGridModel(QObject* parent = nullptr);

    void setAlbums(std::vector<Album> albums);
    void setSelection(const std::set<std::string>& selection);

    const std::vector<Album>& albums() const noexcept { return albums_; }
    const Album* album(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<Album> albums_;
    std::set<std::string> selection_;
};

} // namespace sorvalind
