#include "model/artwork_provider.h"

#include <utility>

namespace sorvalind {

ArtworkProvider makeArtworkProvider(std::weak_ptr<ArtworkCache> cache, std::weak_ptr<APIClient> api,
                                    Executor& mainActor) {
    return [cache = std::move(cache), api = std::move(api),
            &mainActor](const Song& song, std::function<void(ArtworkBytes)> done) {
        std::shared_ptr<ArtworkCache> artwork = cache.lock();
        if (!artwork || !song.coverArt || song.coverArt->empty()) {
            mainActor.post([done = std::move(done)] { done(nullptr); });
            return;
        }
        artwork->data(*song.coverArt, api.lock(), mainActor, std::move(done));
    };
}

DownloadManager::PrepareArtwork makeArtworkPreparation(std::weak_ptr<ArtworkCache> cache,
                                                       std::weak_ptr<APIClient> api) {
    return [cache = std::move(cache), api = std::move(api)](const Song& song) {
        std::shared_ptr<ArtworkCache> artwork = cache.lock();
        if (!artwork || !song.coverArt || song.coverArt->empty()) return TaskHandle();
        auto source = std::make_shared<TaskSource>();
        TaskHandle fetched = source->handle();
        artwork->data(*song.coverArt, api.lock(),
                      [source](const ArtworkBytes&) { source->finish(Outcome<void>::success()); });
        return fetched;
    };
}

} // namespace sorvalind
