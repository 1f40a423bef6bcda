// Favourites and ratings: every edit goes to the store first (so it works
// offline and shows at once), through one queue, and is then pushed when a
// client is at hand. A song edit patches the visible list in place; an album
// or artist edit reloads the page.

#include "app_model_async.h"

#include "runtime/cancellation.h"

namespace sorvalind {

namespace {

constexpr const char* favoriteKind = "favorite";
constexpr const char* ratingKind = "rating";

// The patched list, off the main actor: pure, on copies.
struct SongPatch {
    AppModel::SongList songs;
    AppModel::SongIndex index;
    bool changed = false;
};

SongPatch patchSongs(const AppModel::SongList& songs, const AppModel::SongIndex& index, const Song& edited,
                     bool remove) {
    SongPatch patch;
    if (remove) {
        auto kept = std::make_shared<std::vector<Song>>();
        kept->reserve(songs->size());
        for (const Song& song : *songs)
            if (song.id != edited.id) kept->push_back(song);
        auto rebuilt = std::make_shared<std::unordered_map<std::string, std::vector<std::size_t>>>();
        rebuilt->reserve(kept->size());
        for (std::size_t position = 0; position < kept->size(); ++position)
            (*rebuilt)[(*kept)[position].id].push_back(position);
        patch.changed = kept->size() != songs->size();
        patch.songs = std::move(kept);
        patch.index = std::move(rebuilt);
        return patch;
    }
    auto updated = std::make_shared<std::vector<Song>>(*songs);
    if (index) {
        const auto found = index->find(edited.id);
        if (found != index->end())
            for (const std::size_t position : found->second)
                if (position < updated->size()) (*updated)[position] = edited;
    }
    patch.songs = std::move(updated);
    patch.index = index;
    return patch;
}

} // namespace

void AppModel::favorite(const Song& song) {
    finishEdit(editSong(song, favoriteKind, song.starred ? 0 : 1));
}
void AppModel::favorite(const Album& album) {
    finishEdit(editAlbum(album, favoriteKind, album.starred ? 0 : 1));
}
void AppModel::favorite(const Artist& artist) {
    finishEdit(editArtist(artist, favoriteKind, artist.starred ? 0 : 1));
}
void AppModel::rate(const Song& song, std::int64_t rating) {
    finishEdit(editSong(song, ratingKind, rating));
}
void AppModel::rate(const Album& album, std::int64_t rating) {
    finishEdit(editAlbum(album, ratingKind, rating));
}
void AppModel::rate(const Artist& artist, std::int64_t rating) {
    finishEdit(editArtist(artist, ratingKind, rating));
}

void AppModel::finishEdit(const TaskHandle& edit) {
    after(edit, [](AppModel& self, const Outcome<void>& outcome) {
        if (outcome.error()) {
            if (!self.isShuttingDown_) self.reportError(outcome.error());
            return;
        }
        // Offline or without a client the edit stays queued in the store and
        // goes out with the next synchronisation.
        if (self.isOffline_.value() || !self.api_ || self.isShuttingDown_) return;
        // The push holds the client by reference: keep it until the push ends.
        auto api = self.api_;
        self.after(self.synchronizer_->startPushEdits(*api),
                   [api](AppModel& model, const Outcome<void>& pushed) {
                       if (pushed.error() && !model.isShuttingDown_) model.reportError(pushed.error());
                   });
    });
}

TaskHandle AppModel::enqueueEdit(EditStep step) {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    const TaskHandle previous = metadataEditTask_;
    metadataEditTask_ = handle;
    // Whatever the earlier edit's outcome, this one runs after it.
    after(previous, [source, step = std::move(step)](AppModel& self, const Outcome<void>&) {
        if (source->stopToken().stop_requested()) {
            source->finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
            return;
        }
        step(self, source);
    });
    return handle;
}

TaskHandle AppModel::editSong(const Song& song, const std::string& kind, std::int64_t value) {
    return enqueueEdit([song, kind, value](AppModel& self, std::shared_ptr<TaskSource> source) {
        self.applySongEdit(std::move(source), song, kind, value);
    });
}

// An album or artist edit: the store first, then the detail page's copy when
// one is shown, then a load so that lists and counts follow.
template <class Item>
TaskHandle AppModel::editDetail(const Item& item, const std::string& kind, std::int64_t value,
                                std::map<std::string, Item> AppModel::*details) {
    return enqueueEdit([item, kind, value, details](AppModel& self, std::shared_ptr<TaskSource> source) {
        self.onStore([repository = self.repository_.get(), item, kind,
                      value] { return repository->edit(item, kind, value); },
                     [source, details](AppModel& model, Outcome<Item> edited) {
                         if (!edited.hasValue())
                             return source->finish(Outcome<void>::failure(edited.error()));
                         Item updated = std::move(edited).get();
                         auto& shown = model.*details;
                         if (auto found = shown.find(updated.id); found != shown.end())
                             found->second = std::move(updated);
                         model.after(model.load(), [source](AppModel&, const Outcome<void>&) {
                             source->finish(Outcome<void>::success());
                         });
                     });
    });
}

TaskHandle AppModel::editAlbum(const Album& album, const std::string& kind, std::int64_t value) {
    return editDetail(album, kind, value, &AppModel::detailAlbums_);
}

TaskHandle AppModel::editArtist(const Artist& artist, const std::string& kind, std::int64_t value) {
    return editDetail(artist, kind, value, &AppModel::detailArtists_);
}

void AppModel::applySongEdit(std::shared_ptr<TaskSource> source, const Song& song, const std::string& kind,
                             std::int64_t value) {
    onStore(
        [repository = repository_.get(), song, kind, value] { return repository->edit(song, kind, value); },
        [source, kind](AppModel& self, Outcome<std::optional<Song>> edited) {
            if (!edited.hasValue()) return source->finish(Outcome<void>::failure(edited.error()));
            std::optional<Song> stored = std::move(edited).get();
            // Not in the store (any more): nothing to show.
            if (!stored) return source->finish(Outcome<void>::success());
            auto song = std::make_shared<const Song>(std::move(*stored));
            if (kind != favoriteKind) return self.patchEditedSong(std::move(source), std::move(song));
            self.after(self.updateFavoriteDownloads(), [source, song](AppModel& model, const Outcome<void>&) {
                model.patchEditedSong(source, song);
            });
        });
}

void AppModel::patchEditedSong(std::shared_ptr<TaskSource> source, std::shared_ptr<const Song> song) {
    const std::int64_t revision = repository_->revisions().songs;
    bool reload = false;
    if (loading_.value()) {
        // The running load's result would overwrite the patch: drop it and
        // load again once the patch is in.
        queryToken_ = nextToken();
        loading_.set(false);
        reload = true;
    }
    computeSongPatch(std::move(source), std::move(song), revision, reload);
}

void AppModel::computeSongPatch(std::shared_ptr<TaskSource> source, std::shared_ptr<const Song> song,
                                std::int64_t revision, bool reload) {
    const std::uint64_t version = songDataVersion_;
    // A song that stops being a favourite leaves the favourites list.
    const bool remove =
        query_.value().empty() && route_.value() == std::optional<std::string>("Favorites") && !song->starred;
    onWorkers([songs = songs_.value(), index = songIndexesByID_, song,
               remove] { return patchSongs(songs, index, *song, remove); },
              [source, song, revision, reload, version](AppModel& self, Outcome<SongPatch> computed) {
                  if (!computed.hasValue()) return source->finish(Outcome<void>::failure(computed.error()));
                  // The list was replaced while the patch was computed: patch the new one.
                  if (self.songDataVersion_ != version)
                      return self.computeSongPatch(source, song, revision, reload);
                  SongPatch patch = std::move(computed).get();
                  self.applySongPatch(std::move(patch.songs), std::move(patch.index), patch.changed, *song,
                                      revision);
                  if (!reload) return source->finish(Outcome<void>::success());
                  self.after(self.load(), [source](AppModel&, const Outcome<void>&) {
                      source->finish(Outcome<void>::success());
                  });
              });
}

void AppModel::applySongPatch(SongList songs, SongIndex index, bool changed, const Song& song,
                              std::int64_t revision) {
    auto replaced = std::make_pair(songs_.value(), std::move(songIndexesByID_));
    songIndexesByID_ = std::move(index);
    songs_.set(std::move(songs));
    environment_.workers.post([replaced = std::move(replaced)]() mutable {
        replaced.first.reset();
        replaced.second.reset();
    });
    ++songDataVersion_;
    if (changed) songsRevision_.set(songsRevision_.value() + 1);
    // The store's edit moved the songs counter by one; a record that is just
    // one behind now matches what is shown, one further behind still reloads.
    if (loadedSongRequest_ && loadedSongRequest_->revision == revision - 1)
        loadedSongRequest_->revision = revision;
    if (countedSongRevision_ && *countedSongRevision_ == revision - 1) countedSongRevision_ = revision;
    if (loadedArtistRequest_ && loadedArtistRequest_->songs == revision - 1)
        loadedArtistRequest_->songs = revision;
    // The queue shows (and persists) its own copies of the songs.
    playback_->updateMetadata(song);
    songMetadataChanges_.send(song);
}

} // namespace sorvalind
