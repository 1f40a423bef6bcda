#include "search_results_model.h"

#include "library/clock_text.h"

#include <QMimeData>

#include <memory>

namespace sorvalind {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

QString header(const char* name, std::size_t count) {
    return QStringLiteral("%1 (%2)").arg(QLatin1String(name)).arg(count);
}

} // namespace

SearchResultsModel::SearchResultsModel(QObject* parent) : QAbstractListModel(parent) {}

void SearchResultsModel::setResults(AppModel::ArtistList artists, AppModel::AlbumList albums,
                                    AppModel::SongList songs) {
    beginResetModel();
    artists_ = std::move(artists);
    albums_ = std::move(albums);
    songs_ = std::move(songs);
    rows_.clear();
    const auto add = [this](Kind headerKind, Kind rowKind, std::size_t count) {
        if (count == 0) return;
        rows_.push_back({headerKind, 0});
        for (std::size_t i = 0; i < count; ++i)
            rows_.push_back({rowKind, i});
    };
    add(Kind::artistsHeader, Kind::artist, artists_ ? artists_->size() : 0);
    add(Kind::albumsHeader, Kind::album, albums_ ? albums_->size() : 0);
    add(Kind::songsHeader, Kind::song, songs_ ? songs_->size() : 0);
    endResetModel();
}

void SearchResultsModel::setAvailability(std::function<bool(const Song&)> available) {
    available_ = std::move(available);
    availabilityChanged();
}

void SearchResultsModel::availabilityChanged() {
    if (!rows_.empty()) emit dataChanged(index(0), index(rowCount() - 1));
}

const SearchResultsModel::Row* SearchResultsModel::row(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return nullptr;
    return &rows_[static_cast<std::size_t>(index)];
}

const Artist* SearchResultsModel::artist(int index) const {
    const Row* found = row(index);
    return found && found->kind == Kind::artist ? &(*artists_)[found->item] : nullptr;
}

const Album* SearchResultsModel::album(int index) const {
    const Row* found = row(index);
    return found && found->kind == Kind::album ? &(*albums_)[found->item] : nullptr;
}

const Song* SearchResultsModel::song(int index) const {
    const Row* found = row(index);
    return found && found->kind == Kind::song ? &(*songs_)[found->item] : nullptr;
}

int SearchResultsModel::songsHeaderRow() const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].kind == Kind::songsHeader) return static_cast<int>(i);
    return -1;
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& found = rows_[static_cast<std::size_t>(index.row())];
    if (role == kindRole) return static_cast<int>(found.kind);
    switch (found.kind) {
    case Kind::artistsHeader:
        return role == Qt::DisplayRole ? QVariant(header("Artists", artists_->size())) : QVariant();
    case Kind::albumsHeader:
        return role == Qt::DisplayRole ? QVariant(header("Albums", albums_->size())) : QVariant();
    case Kind::songsHeader:
        return role == Qt::DisplayRole ? QVariant(header("Songs", songs_->size())) : QVariant();
    case Kind::artist: {
        const Artist& artist = (*artists_)[found.item];
        switch (role) {
        case Qt::DisplayRole:
            return text(artist.name);
        case coverArtRole:
            return artist.coverArt ? QVariant(text(*artist.coverArt)) : QVariant();
        case idRole:
            return text(artist.id);
        default:
            return {};
        }
    }
    case Kind::album: {
        const Album& album = (*albums_)[found.item];
        switch (role) {
        case Qt::DisplayRole:
            return text(album.name);
        case secondaryRole:
            // The album list's own wording for a missing artist.
            return album.artist ? text(*album.artist) : QStringLiteral("Unknown artist");
        case coverArtRole:
            return album.coverArt ? QVariant(text(*album.coverArt)) : QVariant();
        case idRole:
            return text(album.id);
        default:
            return {};
        }
    }
    case Kind::song: {
        const Song& song = (*songs_)[found.item];
        switch (role) {
        case Qt::DisplayRole:
            return text(song.title);
        case secondaryRole: {
            QString line = text(song.artistNames());
            if (song.album) line += QStringLiteral(" · ") + text(*song.album);
            return line;
        }
        case coverArtRole:
            return song.coverArt ? QVariant(text(*song.coverArt)) : QVariant();
        case idRole:
            return text(song.id);
        case favoriteRole:
            return song.starred.has_value();
        case durationRole:
            return text(clockText(song.duration.value_or(0)));
        case Qt::AccessibleDescriptionRole:
            return isAvailable(song) ? QString() : QString::fromUtf8(unavailableHint);
        default:
            return {};
        }
    }
    }
    return {};
}

Qt::ItemFlags SearchResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount()) return Qt::NoItemFlags;
    const Row& found = rows_[static_cast<std::size_t>(index.row())];
    switch (found.kind) {
    case Kind::artist:
    case Kind::album:
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    case Kind::song:
        return isAvailable((*songs_)[found.item])
                   ? Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren
                   : Qt::ItemNeverHasChildren;
    default:
        return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    }
}

QStringList SearchResultsModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* SearchResultsModel::mimeData(const QModelIndexList& indexes) const {
    for (const QModelIndex& index : indexes) {
        if (const Song* found = song(index.row())) {
            auto data = std::make_unique<QMimeData>();
            data->setText(text(found->id));
            return data.release();
        }
    }
    return nullptr;
}

Qt::DropActions SearchResultsModel::supportedDragActions() const {
    return Qt::CopyAction;
}

} // namespace sorvalind
