// Sharing songs: a public share on the user's server, or the song's page in
// the public music catalogue (directly or as a Songlink page). One share runs
// at a time; its link goes to the pasteboard and its outcome to the status
// line or the error message.

#include "app_model_async.h"

#include "runtime/cancellation.h"

namespace sorvalind {

bool AppModel::canShareSongs() const {
    return !isOffline_.value() && connected_.value() && api_ && supportsSharing_.value();
}

bool AppModel::canShare(const std::vector<Song>& songs, SongShareDestination destination) const {
    if (isOffline_.value() || creatingShare_.value() || songs.empty()) return false;
    if (destination == SongShareDestination::navidrome) return canShareSongs();
    return songs.size() == 1 && AppleMusicLinkResolver::hasMetadata(songs.front());
}

void AppModel::share(const std::vector<Song>& songs, SongShareDestination destination) {
    if (isShuttingDown_ || !canShare(songs, destination)) return;
    creatingShare_.set(true);
    auto source = std::make_shared<TaskSource>();
    sharingTask_ = source->handle();
    // The server share is offered only with a client (canShareSongs).
    std::shared_ptr<APIClient> client = api_;
    const std::stop_token stop = source->stopToken();
    onWorkers(
        [destination, client, links = appleMusicLinks_, songs, stop]() -> std::string {
            switch (destination) {
            case SongShareDestination::navidrome:
                return client->createShare(songIDs(songs), stop).absoluteString();
            case SongShareDestination::appleMusic:
                return links->link(songs.front(), stop);
            case SongShareDestination::songlink:
                break;
            }
            return links->songlink(songs.front(), stop);
        },
        [source, destination, client](AppModel& self, Outcome<std::string> link) {
            // Cancelled (gone offline, or the model's work stopped): the
            // share leaves no trace, whatever it got.
            if (source->stopToken().stop_requested()) return self.endShare(*source);
            if (!link.hasValue()) return self.shareFailed(source, destination, client, link.error());
            self.environment_.pasteboard.setString(link.get());
            self.status_.set(std::string(label(destination)) + " copied");
            self.endShare(*source);
        });
}

void AppModel::shareFailed(std::shared_ptr<TaskSource> source, SongShareDestination destination,
                           std::shared_ptr<APIClient> client, std::exception_ptr failure) {
    if (destination != SongShareDestination::navidrome) {
        // Catalogue failures say what went wrong with the look-up in their
        // own words and never count against the server connection.
        auto kind = AppleMusicLinkError::Kind::unavailable;
        try {
            std::rethrow_exception(failure);
        } catch (const AppleMusicLinkError& error) {
            kind = error.kind();
        } catch (...) {
        }
        showError(std::string(catalogueShareFailure(destination, kind)));
        return endShare(*source);
    }
    // The user may have lost the share permission: ask, so that the menus
    // stop offering the server share, then report the share's own failure.
    const std::stop_token stop = source->stopToken();
    onWorkers([client, stop] { return client->sharingEnabled(stop); },
              [source, failure](AppModel& self, Outcome<bool> enabled) {
                  if (source->stopToken().stop_requested()) return self.endShare(*source);
                  self.supportsSharing_.set(enabled.hasValue() && enabled.get());
                  self.reportError(failure);
                  self.endShare(*source);
              });
}

void AppModel::endShare(TaskSource& source) {
    creatingShare_.set(false);
    sharingTask_ = {};
    source.finish(Outcome<void>::success());
}

} // namespace sorvalind
