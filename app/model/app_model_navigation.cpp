#include "app_model_async.h"

#include "platform/text/text.h"

#include <algorithm>
#include <variant>

namespace sorvalind {

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace

void AppModel::setRoute(std::optional<std::string> route) {
    if (route == route_.value()) return;
    auto old = route_.value();
    route_.set(std::move(route));
    routeChanged(old);
}

void AppModel::routeChanged(const std::optional<std::string>& old) {
    albumSongReveal_.set(std::nullopt);
    if (restoringRoute_) return;
    auto back = backRoutes_.value();
    back.push_back(old.value_or("Home"));
    backRoutes_.set(std::move(back));
    forwardRoutes_.set({});
}

void AppModel::goBack() {
    travel(backRoutes_, forwardRoutes_);
}

void AppModel::goForward() {
    travel(forwardRoutes_, backRoutes_);
}

void AppModel::travel(Published<std::vector<std::string>>& from, Published<std::vector<std::string>>& to) {
    auto routes = from.value();
    if (routes.empty()) return;
    std::string target = std::move(routes.back());
    routes.pop_back();
    from.set(std::move(routes));
    auto other = to.value();
    other.push_back(route_.value().value_or("Home"));
    to.set(std::move(other));
    // The restored route is not recorded again.
    restoringRoute_ = true;
    query_.set("");
    setRoute(std::move(target));
    restoringRoute_ = false;
}

void AppModel::showAlbum(const Song& song) {
    if (!song.albumId || song.albumId->empty()) return;
    query_.set("");
    setRoute("album:" + *song.albumId);
    albumSongReveal_.set(AlbumSongReveal{nextToken(), *song.albumId, song.id});
}

std::optional<AppModel::AlbumSongReveal> AppModel::readyAlbumSongReveal() const {
    const auto& reveal = albumSongReveal_.value();
    if (!reveal || !query_.value().empty()) return std::nullopt;
    const std::string albumRoute = "album:" + reveal->albumID;
    // Until the album's own songs are published, the table has nothing to reveal.
    if (route_.value() != albumRoute || loadedSongRoute() != albumRoute) return std::nullopt;
    return reveal;
}

void AppModel::showArtist(const Artist& artist) {
    if (artist.id.empty()) return;
    detailArtists_[artist.id] = artist;
    const auto& list = *artists_.value();
    if (std::none_of(list.begin(), list.end(), [&](const Artist& shown) { return shown.id == artist.id; })) {
        auto extended = list;
        extended.push_back(artist);
        artists_.set(std::make_shared<const std::vector<Artist>>(std::move(extended)));
    }
    query_.set("");
    setRoute("artist:" + artist.id);
}

void AppModel::showSongDetailDestination(const SongDetailDestination& destination) {
    query_.set("");
    std::visit(
        Overloaded{
            [&](const ArtistTarget& target) { showArtist(target.artist); },
            [&](const AlbumTarget& target) {
                Album album = Album::make(target.id, target.name);
                detailAlbums_[target.id] = album;
                const auto& list = *albums_.value();
                if (std::none_of(list.begin(), list.end(),
                                 [&](const Album& shown) { return shown.id == target.id; })) {
                    auto extended = list;
                    extended.push_back(std::move(album));
                    albums_.set(std::make_shared<const std::vector<Album>>(std::move(extended)));
                }
                setRoute("album:" + target.id);
            },
            [&](const SongDetailDestination::GenreTarget& target) { setRoute("genre:" + target.name); },
        },
        destination.target);
}

void AppModel::activateStatistics(const ListeningStatistics::Action& action,
                                  const std::vector<Song>& topSongs) {
    std::visit(Overloaded{
                   [&](const ArtistTarget& target) { showArtist(target.artist); },
                   [&](const AlbumTarget& target) {
                       showSongDetailDestination(SongDetailDestination::album(target.id, target.name));
                   },
                   [&](const ListeningStatistics::Action::SongTarget& target) {
                       const bool ranked =
                           std::any_of(topSongs.begin(), topSongs.end(),
                                       [&](const Song& song) { return song.id == target.song.id; });
                       playback_->play(ranked ? topSongs : std::vector<Song>{target.song}, target.song.id,
                                       std::nullopt, std::nullopt);
                   },
                   [&](const ListeningStatistics::Action::SearchTarget& target) {
                       query_.set(target.text);
                       setRoute("Search");
                   },
               },
               action.target);
}

std::vector<Album> AppModel::albumsForArtistID(const std::string& id) const {
    std::set<std::string> songAlbums;
    // The artist page's own songs name albums credited to someone else.
    if (loadedSongRoute() == "artist:" + id)
        for (const auto& song : *songs_.value())
            if (song.albumId) songAlbums.insert(*song.albumId);
    const auto credits = [&](const std::optional<std::vector<Artist>>& artists) {
        return artists && std::any_of(artists->begin(), artists->end(),
                                      [&](const Artist& artist) { return artist.id == id; });
    };
    std::vector<Album> result;
    for (const auto& album : *albums_.value())
        if (album.artistId == id || credits(album.artists) || credits(album.albumArtists) ||
            songAlbums.count(album.id))
            result.push_back(album);
    return result;
}

std::vector<Artist> AppModel::legacyArtistCredits(const std::optional<std::string>& name,
                                                  const std::optional<std::string>& id) const {
    const auto& loaded = *artists_.value();
    if (id && !id->empty()) {
        std::string creditName = "Unknown Artist";
        if (name) {
            creditName = *name;
        } else {
            auto found = std::find_if(loaded.begin(), loaded.end(),
                                      [&](const Artist& artist) { return artist.id == *id; });
            if (found != loaded.end()) creditName = found->name;
        }
        return {Artist::make(*id, creditName)};
    }
    if (!name) return {};
    const std::string folded = text::foldCase(*name);
    auto found = std::find_if(loaded.begin(), loaded.end(),
                              [&](const Artist& artist) { return text::foldCase(artist.name) == folded; });
    if (found == loaded.end()) return {};
    return {*found};
}

} // namespace sorvalind
