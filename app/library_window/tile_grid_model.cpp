#include "library_window/tile_grid_model.h"

#include <QLocale>

namespace sorvalind {

QString albumCountText(const std::optional<std::int64_t>& count) {
    if (!count) return {};
    return QLocale().toString(static_cast<qlonglong>(*count)) +
           (*count == 1 ? QStringLiteral(" album") : QStringLiteral(" albums"));
}

std::vector<GridTile> artistTiles(const std::vector<Artist>& artists) {
    std::vector<GridTile> tiles;
    tiles.reserve(artists.size());
    for (const Artist& artist : artists)
        tiles.push_back({"artist:" + artist.id, QString::fromStdString(artist.name),
                         albumCountText(artist.albumCount), artist.coverArt});
    return tiles;
}

std::vector<GridTile> genreTiles(const std::vector<std::string>& genres) {
    std::vector<GridTile> tiles;
    tiles.reserve(genres.size());
    for (const std::string& genre : genres)
        tiles.push_back({"genre:" + genre, QString::fromStdString(genre), {}, std::nullopt});
    return tiles;
}

void TileGridModel::setTiles(std::vector<GridTile> tiles) {
    if (tiles == tiles_) return;
    beginResetModel();
    tiles_ = std::move(tiles);
    endResetModel();
}

int TileGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(tiles_.size());
}

QVariant TileGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    const GridTile& tile = tiles_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return tile.title;
    case RouteRole:
        return QString::fromStdString(tile.route);
    case SubtitleRole:
        return tile.subtitle;
    case CoverArtRole:
        return tile.coverArt ? QVariant(QString::fromStdString(*tile.coverArt)) : QVariant();
    default:
        return {};
    }
}

} // namespace sorvalind
