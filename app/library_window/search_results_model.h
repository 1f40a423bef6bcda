#pragma once
// The search results as one flat list: a header and the rows of each
// non-empty kind (artists, albums, songs), in the model's order. Rows point
// into the model's published lists, which the object holds, so nothing is
// copied. Songs that cannot play now are disabled; a song drags its id as
// plain text.
//
// GUI thread only.

#include "model/app_model.h"

#include <QAbstractListModel>

#include <cstddef>
#include <functional>
#include <vector>

namespace sorvalind {

class SearchResultsModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { artistsHeader, artist, albumsHeader, album, songsHeader, song };
    enum Role {
        kindRole = Qt::UserRole + 1,
        secondaryRole,
        coverArtRole,
        idRole,
        favoriteRole,
        durationRole
    };

    struct Row {
        Kind kind;
        std::size_t item = 0;
    };

    static constexpr const char* unavailableHint = "Not downloaded. Unavailable offline.";

    explicit SearchResultsModel(QObject* parent = nullptr);

    void setResults(AppModel::ArtistList artists, AppModel::AlbumList albums, AppModel::SongList songs);
    void setAvailability(std::function<bool(const Song&)> available);
    // The disabled rows follow a new answer of the availability check.
    void availabilityChanged();

    const Row* row(int index) const;
    const Artist* artist(int index) const;
    const Album* album(int index) const;
    const Song* song(int index) const;
    const AppModel::SongList& songs() const noexcept { return songs_; }
    // The row of the songs' header, or -1 when there are no songs.
    int songsHeaderRow() const;
    bool isAvailable(const Song& song) const { return !available_ || available_(song); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    AppModel::ArtistList artists_;
    AppModel::AlbumList albums_;
    AppModel::SongList songs_;
    std::vector<Row> rows_;
    std::function<bool(const Song&)> available_;
};

} // namespace sorvalind
