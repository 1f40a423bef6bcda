#include "app_model_async.h"

namespace sorvalind {

void AppModel::setDownloadQuality(DownloadQuality quality) {
    downloadQuality_.set(quality);
    preferences_.setString("downloadQuality", quality.rawValue());
}

void AppModel::setAutomaticallyDownloadFavorites(bool enabled) {
    automaticallyDownloadFavorites_.set(enabled);
    preferences_.setBool("automaticallyDownloadFavorites", enabled);
    favoriteDownloadRequest_.reset();
    main().post([weak = weak()] {
        if (auto self = weak.lock()) self->updateFavoriteDownloads();
    });
}

void AppModel::setFavoriteDownloadQuality(DownloadQuality quality) {
    favoriteDownloadQuality_.set(quality);
    preferences_.setString("favoriteDownloadQuality", quality.rawValue());
    favoriteDownloadRequest_.reset();
    main().post([weak = weak()] {
        if (auto self = weak.lock()) self->updateFavoriteDownloads();
    });
}

TaskHandle AppModel::updateFavoriteDownloads() {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    const auto done = [](TaskSource& task) { task.finish(Outcome<void>::success()); };
    if (isShuttingDown_ || !automaticallyDownloadFavorites_.value()) {
        done(*source);
        return handle;
    }
    const FavoriteDownloadRequest request{repository_->revisions().songs, favoriteDownloadQuality_.value()};
    // Nothing that could change the favourites happened since the last run.
    if (favoriteDownloadRequest_ == request) {
        done(*source);
        return handle;
    }
    const std::uint64_t token = nextToken();
    favoriteDownloadToken_ = token;
    onStore([repository = repository_.get()] { return repository->songs("", SongSort::title, true); },
            [source, token, request, done](AppModel& self, Outcome<std::vector<Song>> favorites) {
                if (!favorites.hasValue()) {
                    self.reportError(favorites.error());
                    done(*source);
                    return;
                }
                // Only the newest run enqueues, and only what the settings still ask for.
                if (source->stopToken().stop_requested() || self.favoriteDownloadToken_ != token ||
                    !self.automaticallyDownloadFavorites_.value() ||
                    self.favoriteDownloadQuality_.value() != request.quality) {
                    done(*source);
                    return;
                }
                self.downloads_->enqueue(favorites.get(), request.quality);
                self.favoriteDownloadRequest_ = request;
                done(*source);
            });
    return handle;
}

} // namespace sorvalind
