// Playlist edits and collection downloads. A playlist edit goes to the server
// at once (never through the local edit queue) and the playlists are fetched
// again afterwards, so the store only ever holds what the server said. The
// collection downloads read the store and need no connection.

#include "app_model_async.h"

#include "runtime/cancellation.h"

namespace sorvalind {

std::shared_ptr<TaskSource> AppModel::newPlaylistTask() {
    std::erase_if(playlistTasks_, [](const TaskHandle& task) { return task.isFinished(); });
    auto source = std::make_shared<TaskSource>();
    playlistTasks_.push_back(source->handle());
    return source;
}

TaskHandle AppModel::refreshPlaylists() {
    if (isOffline_.value() || !api_) return {};
    auto source = newPlaylistTask();
    // Shutdown waits for this task, so the engine outlives the fetch.
    SyncEngine* engine = synchronizer_.get();
    onWorkers(
        [engine, client = api_, stop = source->stopToken()] { engine->refreshPlaylists(*client, stop); },
        [source](AppModel& self, Outcome<void> fetched) {
            if (fetched.hasValue()) {
                self.after(self.load(), [source](AppModel&, const Outcome<void>&) {
                    source->finish(Outcome<void>::success());
                });
                return;
            }
            if (!isCancellation(fetched.error()) && !self.isShuttingDown_) self.reportError(fetched.error());
            source->finish(Outcome<void>::success());
        });
    return source->handle();
}

TaskHandle AppModel::editPlaylist(PlaylistCall call, PlaylistEdited edited) {
    if (isOffline_.value() || !api_) {
        showError(std::string(playlistsOfflineText));
        return {};
    }
    auto source = newPlaylistTask();
    onWorkers([call = std::move(call), client = api_, stop = source->stopToken()] { call(*client, stop); },
              [source, edited = std::move(edited)](AppModel& self, Outcome<void> sent) {
                  if (!sent.hasValue()) {
                      // Nothing is rolled back: the store still holds the last fetch.
                      if (!self.isShuttingDown_) self.reportError(sent.error());
                      return source->finish(Outcome<void>::success());
                  }
                  if (edited) edited(self);
                  // Done on the server even if this refresh fails; its own
                  // failure is reported and the list stays stale until the next one.
                  self.after(self.refreshPlaylists(), [source](AppModel&, const Outcome<void>&) {
                      source->finish(Outcome<void>::success());
                  });
              });
    return source->handle();
}

TaskHandle AppModel::savePlaylist(const std::optional<std::string>& id, const std::string& name,
                                  const std::vector<Song>& songs) {
    return editPlaylist([id, name, ids = songIDs(songs)](APIClient& client, std::stop_token stop) {
        client.savePlaylist(id, name, ids, stop);
    });
}

TaskHandle AppModel::addToPlaylist(const Playlist& playlist, const std::vector<Song>& songs) {
    return addToPlaylist(playlist, songIDs(songs));
}

TaskHandle AppModel::addToPlaylist(const Playlist& playlist, std::vector<std::string> ids) {
    // Saving the stored copy with the new songs after it would drop whatever
    // was added elsewhere since the last fetch; the server appends instead.
    return editPlaylist([id = playlist.id, ids = std::move(ids)](APIClient& client, std::stop_token stop) {
        client.appendToPlaylist(id, ids, stop);
    });
}

TaskHandle AppModel::renamePlaylist(const Playlist& playlist, const std::string& name) {
    return editPlaylist([id = playlist.id, name](APIClient& client, std::stop_token stop) {
        client.renamePlaylist(id, name, stop);
    });
}

TaskHandle AppModel::deletePlaylist(const Playlist& playlist) {
    return editPlaylist(
        [id = playlist.id](APIClient& client, std::stop_token stop) { client.deletePlaylist(id, stop); },
        // Whatever page is shown: it may be the deleted playlist's.
        [](AppModel& self) { self.setRoute(std::string("Home")); });
}

TaskHandle AppModel::downloadStoredSongs(StoredSongsRead read, DownloadQuality quality) {
    if (isShuttingDown_) return {};
    auto source = newPlaylistTask();
    onStore([repository = repository_.get(), read = std::move(read)] { return read(*repository); },
            [source, quality](AppModel& self, Outcome<std::vector<Song>> songs) {
                if (!self.isShuttingDown_) {
                    if (songs.hasValue())
                        self.downloads_->enqueue(songs.get(), quality);
                    else
                        self.reportError(songs.error());
                }
                source->finish(Outcome<void>::success());
            });
    return source->handle();
}

TaskHandle AppModel::downloadAlbum(const Album& album, DownloadQuality quality) {
    return downloadStoredSongs(
        [id = album.id](LibraryRepository& repository) {
            return repository.songs("", SongSort::title, false, id);
        },
        quality);
}

TaskHandle AppModel::downloadPlaylist(const Playlist& playlist, DownloadQuality quality) {
    return downloadStoredSongs(
        [id = playlist.id](LibraryRepository& repository) { return repository.playlistSongs(id); }, quality);
}

} // namespace sorvalind
