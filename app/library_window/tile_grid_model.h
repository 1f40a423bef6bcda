#pragma once
// The rows of a library tile grid (artists and genres): one
// tile per item in list order, each with the route its click opens. A new
// list that equals the shown one changes nothing, so a grid keeps its
// scroll offset and artwork while the model republishes the same items.
//
// GUI thread only.

#include "library/artist.h"

#include <QAbstractListModel>

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct GridTile {
    std::string route;                   // what a click opens
    QString title;                       // the name under the picture, and the tooltip
    QString subtitle;                    // the secondary line; empty: none
    std::optional<std::string> coverArt; // none: the placeholder (or the genre's own tile)

    friend bool operator==(const GridTile&, const GridTile&) = default;
};

// "1 album", "2 albums"; none without a count.
QString albumCountText(const std::optional<std::int64_t>& count);
std::vector<GridTile> artistTiles(const std::vector<Artist>& artists);
std::vector<GridTile> genreTiles(const std::vector<std::string>& genres);

class TileGridModel final : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { RouteRole = Qt::UserRole + 1, SubtitleRole, CoverArtRole };

    using QAbstractListModel::QAbstractListModel;

    void setTiles(std::vector<GridTile> tiles);
    const std::vector<GridTile>& tiles() const noexcept { return tiles_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<GridTile> tiles_;
};

} // namespace sorvalind
