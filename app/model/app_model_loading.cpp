#include "app_model_async.h"

#include "runtime/cancellation.h"

#include <algorithm>
#include <string_view>

namespace sorvalind {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::optional<std::string> suffixAfter(const std::string& route, std::string_view prefix) {
    if (!startsWith(route, prefix)) return std::nullopt;
    return route.substr(prefix.size());
}

bool hasSongList(const std::string& route, const std::string& query) {
    if (route == "Songs" || route == "Favorites") return true;
    if (route == "Search") return !query.empty();
    for (std::string_view prefix : {"album:", "artist:", "genre:", "playlist:"})
        if (startsWith(route, prefix)) return true;
    return false;
}

template <class T>
bool sameContent(const std::shared_ptr<const std::vector<T>>& a,
                 const std::shared_ptr<const std::vector<T>>& b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return *a == *b;
}

// Appends the item opened from a link when the freshly read list lacks it.
template <class T>
void completeOpened(std::shared_ptr<const std::vector<T>>& list, const std::optional<std::string>& id,
                    const std::map<std::string, T>& opened) {
    if (!id || !list) return;
    auto found = opened.find(*id);
    if (found == opened.end() ||
        std::any_of(list->begin(), list->end(), [&](const T& item) { return item.id == *id; }))
        return;
    auto completed = *list;
    completed.push_back(found->second);
    list = std::make_shared<const std::vector<T>>(std::move(completed));
}

} // namespace

// One pass of load(): its inputs, what it read and what it will publish.
struct AppModel::LoadPass {
    std::shared_ptr<TaskSource> source;
    std::stop_token stop;
    std::uint64_t token = 0;
    std::string query;
    SongSort sort = SongSort::title;
    std::string route;
    LibraryRevisions revisions;
    std::optional<SongRequest> songRequest;

    bool songsDue = false;
    bool albumsDue = false;
    bool featuredDue = false;
    bool artistsDue = false;
    bool playlistsDue = false;
    bool genresDue = false;
    bool countDue = false;

    SongList newSongs; // null: the song list stays as it is
    AlbumList newAlbums;
    AlbumList featuredLibrary;
    ArtistList newArtists;
    std::optional<std::vector<Playlist>> newPlaylists;
    std::optional<std::vector<std::string>> newGenres;
    std::optional<std::int64_t> count;

    // Worked out off the main actor.
    bool songsChanged = false;
    SongIndex index;
    bool albumsChanged = false;
    bool artistsChanged = false;
};

std::string AppModel::effectiveRoute() const {
    if (!query_.value().empty()) return "Search";
    return route_.value().value_or("Home");
}

std::optional<std::string> AppModel::loadedSongRoute() const {
    if (!loadedSongRequest_) return std::nullopt;
    return loadedSongRequest_->route;
}

const std::vector<std::size_t>* AppModel::songPositions(const std::string& id) const {
    if (!songIndexesByID_) return nullptr;
    auto found = songIndexesByID_->find(id);
    return found == songIndexesByID_->end() ? nullptr : &found->second;
}

const Song* AppModel::song(const std::string& id) const {
    const auto* positions = songPositions(id);
    if (!positions || positions->empty()) return nullptr;
    return &(*songs_.value())[positions->front()];
}

TaskHandle AppModel::load(std::stop_token stop) {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    if (isShuttingDown_) {
        source->finish(Outcome<void>::success());
        return handle;
    }
    after(updateFavoriteDownloads(), [source, stop](AppModel& self, const Outcome<void>&) {
        auto pass = std::make_shared<LoadPass>();
        pass->source = source;
        pass->stop = stop;
        pass->token = self.nextToken();
        self.queryToken_ = pass->token;
        self.loading_.set(true);
        pass->query = self.query_.value();
        pass->sort = self.sort_.value();
        pass->route = self.effectiveRoute();
        pass->revisions = self.repository_->revisions();
        const LibraryRevisions& revisions = pass->revisions;

        if (hasSongList(pass->route, pass->query))
            pass->songRequest = SongRequest{pass->route, pass->query, pass->sort, revisions.songs,
                                            startsWith(pass->route, "playlist:") ? revisions.playlists : 0};
        if (pass->songRequest != self.loadedSongRequest_) {
            if (pass->songRequest)
                pass->songsDue = true;
            else
                pass->newSongs = std::make_shared<const std::vector<Song>>();
        }
        pass->albumsDue = self.loadedAlbumRequest_ != CollectionRequest{pass->query, revisions.albums};
        pass->featuredDue = self.loadedFeaturedAlbumRevision_ != revisions.albums;
        pass->artistsDue = self.loadedArtistRequest_ !=
                           ArtistRequest{pass->query, revisions.artists, revisions.albums, revisions.songs};
        pass->playlistsDue = self.loadedPlaylistRevision_ != revisions.playlists;
        pass->genresDue = self.loadedGenreRevision_ != revisions.genres;
        pass->countDue = self.countedSongRevision_ != revisions.songs;
        self.loadRead(std::move(pass));
    });
    return handle;
}

void AppModel::loadRead(std::shared_ptr<LoadPass> pass) {
    LibraryRepository* repository = repository_.get();
    onStore(
        [repository, pass] {
            if (!pass->songsDue) return;
            const std::string& route = pass->route;
            std::vector<Song> read;
            if (auto id = suffixAfter(route, "playlist:"))
                read = repository->playlistSongs(*id);
            else if (auto album = suffixAfter(route, "album:"))
                read = repository->songs(pass->query, pass->sort, false, *album);
            else if (auto artist = suffixAfter(route, "artist:"))
                read = repository->songs(pass->query, pass->sort, false, std::nullopt, *artist);
            else if (auto genre = suffixAfter(route, "genre:"))
                read = repository->songs(pass->query, pass->sort, false, std::nullopt, std::nullopt, *genre);
            else
                read = repository->songs(pass->query, pass->sort, route == "Favorites");
            pass->newSongs = std::make_shared<const std::vector<Song>>(std::move(read));
        },
        [pass](AppModel& self, Outcome<void> songs) {
            if (!songs.hasValue()) return self.loadEnd(pass, songs.error());
            if (self.queryToken_ != pass->token || pass->stop.stop_requested())
                return self.loadEnd(pass, nullptr);
            self.onStore(
                [repository = self.repository_.get(), pass] {
                    const bool search = !pass->query.empty();
                    if (pass->albumsDue)
                        pass->newAlbums = std::make_shared<const std::vector<Album>>(
                            repository->albums(pass->query, AlbumSort::artist));
                    // The banner picks from the whole library, not the search results.
                    if (pass->featuredDue && search)
                        pass->featuredLibrary = std::make_shared<const std::vector<Album>>(
                            repository->albums("", AlbumSort::artist));
                    if (pass->artistsDue)
                        pass->newArtists =
                            std::make_shared<const std::vector<Artist>>(repository->artists(pass->query));
                    if (pass->playlistsDue) pass->newPlaylists = repository->playlists();
                    if (pass->genresDue) pass->newGenres = repository->genres();
                    if (pass->countDue) pass->count = repository->songCount();
                },
                [pass](AppModel& self, Outcome<void> lists) {
                    if (!lists.hasValue()) return self.loadEnd(pass, lists.error());
                    self.loadPublish(pass);
                });
        });
}

void AppModel::loadPublish(std::shared_ptr<LoadPass> pass) {
    // An album or artist opened from a link keeps its page even when the
    // fresh list lacks it.
    completeOpened(pass->newAlbums, suffixAfter(pass->route, "album:"), detailAlbums_);
    if (pass->featuredDue && !pass->featuredLibrary)
        pass->featuredLibrary = pass->newAlbums ? pass->newAlbums : albums_.value();
    completeOpened(pass->newArtists, suffixAfter(pass->route, "artist:"), detailArtists_);

    // Comparing and indexing thousands of songs stays off the main actor.
    onWorkers(
        [pass, shownSongs = songs_.value(), shownAlbums = albums_.value(), shownArtists = artists_.value()] {
            if (pass->newAlbums) pass->albumsChanged = !sameContent(pass->newAlbums, shownAlbums);
            if (pass->newArtists) pass->artistsChanged = !sameContent(pass->newArtists, shownArtists);
            const SongList& next = pass->newSongs;
            if (!next || (next->empty() && shownSongs->empty()) || sameContent(next, shownSongs)) return;
            auto index = std::make_shared<std::unordered_map<std::string, std::vector<std::size_t>>>();
            index->reserve(next->size());
            for (std::size_t position = 0; position < next->size(); ++position)
                (*index)[(*next)[position].id].push_back(position);
            pass->index = std::move(index);
            pass->songsChanged = true;
        },
        [pass](AppModel& self, Outcome<void> worked) {
            if (!worked.hasValue()) return self.loadEnd(pass, worked.error());
            if (self.queryToken_ != pass->token || pass->stop.stop_requested())
                return self.loadEnd(pass, nullptr);

            if (pass->songsChanged) {
                // The replaced list and index may hold a hundred thousand
                // songs: they are freed on a worker, not here.
                auto replaced = std::make_pair(self.songs_.value(), std::move(self.songIndexesByID_));
                self.songIndexesByID_ = pass->index;
                self.songs_.set(pass->newSongs);
                self.environment_.workers.post([replaced = std::move(replaced)]() mutable {
                    replaced.first.reset();
                    replaced.second.reset();
                });
                self.songsRevision_.set(self.songsRevision_.value() + 1);
                ++self.songDataVersion_;
            }
            if (pass->albumsChanged) self.albums_.set(pass->newAlbums);
            if (pass->featuredDue) {
                self.featuredAlbumLibrary_.set(pass->featuredLibrary);
                FeaturedAlbums featured = self.featuredAlbums_.value();
                featured.update(*pass->featuredLibrary, self.environment_.shuffle);
                self.featuredAlbums_.set(std::move(featured));
                self.loadedFeaturedAlbumRevision_ = pass->revisions.albums;
            }
            if (pass->artistsChanged) self.artists_.set(pass->newArtists);
            if (pass->newPlaylists) self.playlists_.set(std::move(*pass->newPlaylists));
            if (pass->newGenres) self.genres_.set(std::move(*pass->newGenres));
            if (pass->count) self.librarySongCount_.set(*pass->count);

            const LibraryRevisions& revisions = pass->revisions;
            self.loadedSongRequest_ = pass->songRequest;
            self.loadedAlbumRequest_ = CollectionRequest{pass->query, revisions.albums};
            self.loadedArtistRequest_ =
                ArtistRequest{pass->query, revisions.artists, revisions.albums, revisions.songs};
            self.loadedPlaylistRevision_ = revisions.playlists;
            self.loadedGenreRevision_ = revisions.genres;
            self.countedSongRevision_ = revisions.songs;
            self.loading_.set(false);
            pass->source->finish(Outcome<void>::success());
        });
}

void AppModel::loadEnd(const std::shared_ptr<LoadPass>& pass, std::exception_ptr failure) {
    // A superseded load leaves `loading` to the newer one.
    if (queryToken_ == pass->token) {
        if (failure && !isShuttingDown_) reportError(failure);
        loading_.set(false);
    }
    pass->source->finish(Outcome<void>::success());
}

} // namespace sorvalind
