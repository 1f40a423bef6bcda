#include "app_model_async.h"

#include "detached_parts.h"

#include "errors/safe_error.h"
#include "http/network_security.h"

#include <utility>

namespace sorvalind {

namespace {

// Fetches the covers one after another, stopping between them once cancelled.
struct CoverFetch {
    std::vector<std::string> ids;
    std::size_t next = 0;
    std::weak_ptr<ArtworkSource> artwork;
    std::shared_ptr<APIClient> client;
    TaskSource source;
};

void fetchNextCover(const std::shared_ptr<CoverFetch>& fetch) {
    auto artwork = fetch->artwork.lock();
    if (fetch->source.stopToken().stop_requested() || !artwork) {
        fetch->source.finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
        return;
    }
    if (fetch->next == fetch->ids.size()) {
        fetch->source.finish(Outcome<void>::success());
        return;
    }
    const std::string id = fetch->ids[fetch->next++];
    // The answer only fills the cache; it is not needed here.
    artwork->data(id, fetch->client, [fetch](const ArtworkBytes&) { fetchNextCover(fetch); });
}

// Prepares the covers of the downloaded songs one song at a time, at most
// once per (album, cover) pair.
struct Backfill {
    std::vector<Song> songs;
    std::size_t next = 0;
    std::set<std::pair<std::optional<std::string>, std::optional<std::string>>> seen;
    DownloadManager::PrepareArtwork prepare;
    Executor* mainActor = nullptr;
    TaskSource source;
};

void backfillNext(const std::shared_ptr<Backfill>& backfill) {
    while (backfill->next < backfill->songs.size()) {
        const Song& song = backfill->songs[backfill->next++];
        if (!backfill->seen.insert({song.albumId, song.coverArt}).second) continue;
        if (backfill->source.stopToken().stop_requested()) {
            backfill->source.finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
            return;
        }
        backfill->prepare(song).whenFinished(*backfill->mainActor,
                                             [backfill](const Outcome<void>&) { backfillNext(backfill); });
        return;
    }
    backfill->source.finish(Outcome<void>::success());
}

} // namespace

bool AppModel::isSongAvailable(const Song& song) const {
    return !isOffline_.value() || downloadedSongIDs_.value().count(song.id) > 0;
}

void AppModel::setApi(std::shared_ptr<APIClient> api) {
    auto old = std::exchange(api_, std::move(api));
    if (old) {
        old->setOnValidResponse(nullptr);
        old->setOnConnectionFailure(nullptr);
    }
    if (!api_) return;
    api_->setNetworkAccessEnabled(!forceOfflineMode_.value());
    // A replaced client's late answers must not move this model.
    auto current = [weak = weak(), client = std::weak_ptr<APIClient>(api_)]() -> std::shared_ptr<AppModel> {
        auto self = weak.lock();
        auto calling = client.lock();
        return self && calling && self->api_ == calling ? self : nullptr;
    };
    api_->setOnConnectionFailure([current] {
        if (auto self = current()) self->connectionFailed();
    });
    api_->setOnValidResponse([current] {
        if (auto self = current()) self->connectionRecovered();
    });
}

void AppModel::setForceOfflineMode(bool forced) {
    forceOfflineMode_.set(forced);
    preferences_.setBool("forceOfflineMode", forced);
    if (api_) api_->setNetworkAccessEnabled(!forced);
    applyOfflineState();
}

void AppModel::startConnectivityMonitoring() {
    if (pathMonitor_) return;
    downloadObservation_ =
        downloads_->records().subscribe([weak = weak()](const std::vector<DownloadRecord>& records) {
            if (auto self = weak.lock()) self->downloadRecordsChanged(records);
        });
    pathMonitor_ = environment_.makePathMonitor ? environment_.makePathMonitor() : nullptr;
    if (!pathMonitor_) pathMonitor_ = std::make_unique<AlwaysAvailablePathMonitor>();
    pathMonitor_->start([weak = weak(), &mainActor = main()](bool available) {
        mainActor.post([weak, available] {
            if (auto self = weak.lock()) self->pathChanged(available);
        });
    });
    connectivityTask_ =
        std::make_unique<TaskLoop>(main(), tickInterval, [weak = weak(), counter = 0]() mutable {
            auto self = weak.lock();
            if (!self) return;
            self->tick();
            if ((counter + 1) % probeEveryTicks == 0) self->probeConnectionIfNeeded();
            ++counter;
        });
}

void AppModel::pathChanged(bool available) {
    // The next tick applies it.
    pathAvailable_ = available;
    offlineState_.connectionChanged(available, main().clock().now());
}

void AppModel::tick() {
    offlineState_.update(main().clock().now());
    applyOfflineState();
}

void AppModel::downloadRecordsChanged(const std::vector<DownloadRecord>& records) {
    std::set<std::string> ids;
    for (const auto& record : records)
        ids.insert(record.song.id);
    downloadedSongIDs_.set(ids);
    playback_->setOfflineAvailability(isOffline_.value(), ids);
}

void AppModel::applyOfflineState() {
    const bool offline = forceOfflineMode_.value() || offlineState_.isOffline();
    if (offline == isOffline_.value()) return;
    isOffline_.set(offline);
    if (!offline) {
        configureClients();
        // A synchronisation cancelled by going offline may still be ending:
        // it starts the next one itself.
        if (syncing_.value())
            refreshAfterCancellation_ = true;
        else
            refresh();
        return;
    }
    syncTask_.cancel();
    connectionProbe_.cancel();
    sharingTask_.cancel();
    configureClients();
    status_.set(offlineStatus);
}

void AppModel::configureClients() {
    if (isShuttingDown_) return;
    const bool offline = isOffline_.value();
    std::shared_ptr<APIClient> client = offline ? nullptr : api_;
    playback_->configure(client);
    downloads_->setOfflineMode(offline);
    downloads_->configure(client);
    playback_->setOfflineAvailability(offline, downloadedSongIDs_.value());
    playback_->setArtworkProvider(artworkProvider(client));
    downloads_->setPrepareArtwork(prepareArtwork(client));
    artworkBackfill_.cancel();
    if (client) startArtworkBackfill(client);
}

PlaybackControl::ArtworkProvider AppModel::artworkProvider(std::shared_ptr<APIClient> client) {
    return [artwork = std::weak_ptr<ArtworkSource>(artwork_), client](const Song& song,
                                                                      PlaybackControl::ArtworkReply reply) {
        auto cache = artwork.lock();
        if (!song.coverArt || !cache) {
            reply(nullptr);
            return;
        }
        cache->data(*song.coverArt, client, std::move(reply));
    };
}

DownloadManager::PrepareArtwork AppModel::prepareArtwork(std::shared_ptr<APIClient> client) {
    // The store outlives the download manager, which alone calls this.
    return [artwork = std::weak_ptr<ArtworkSource>(artwork_), client, repository = repository_.get(),
            &mainActor = main()](const Song& song) -> TaskHandle {
        auto fetch = std::make_shared<CoverFetch>();
        fetch->artwork = artwork;
        fetch->client = client;
        TaskHandle handle = fetch->source.handle();
        if (song.coverArt) fetch->ids.push_back(*song.coverArt);
        if (!song.albumId) {
            fetchNextCover(fetch);
            return handle;
        }
        runOn(
            repository->executor(), mainActor,
            [repository, id = *song.albumId] { return repository->album(id); },
            [fetch](Outcome<std::optional<Album>> album) {
                // A failed look-up only leaves the album's cover out.
                if (album.hasValue() && album.get() && album.get()->coverArt) {
                    const std::string& cover = *album.get()->coverArt;
                    if (fetch->ids.empty() || fetch->ids.front() != cover) fetch->ids.push_back(cover);
                }
                fetchNextCover(fetch);
            });
        return handle;
    };
}

void AppModel::startArtworkBackfill(std::shared_ptr<APIClient> client) {
    auto backfill = std::make_shared<Backfill>();
    for (const auto& record : downloads_->records().value())
        backfill->songs.push_back(record.song);
    backfill->prepare = prepareArtwork(std::move(client));
    backfill->mainActor = &main();
    artworkBackfill_ = backfill->source.handle();
    main().post([backfill] { backfillNext(backfill); });
}

void AppModel::probeConnectionIfNeeded() {
    if (forceOfflineMode_.value() || !pathAvailable_ || offlineState_.connectionAvailable() ||
        connectionProbe_ || !api_)
        return;
    auto source = std::make_shared<TaskSource>();
    connectionProbe_ = source->handle();
    // Its answer works through the client's callbacks alone.
    onWorkers(
        [client = api_, stop = source->stopToken()] {
            try {
                (void)client->request("ping", {}, stop);
            } catch (...) {
            }
        },
        [source](AppModel& self, Outcome<void>) {
            self.connectionProbe_ = {};
            source->finish(Outcome<void>::success());
        });
}

void AppModel::connectionFailed() {
    if (forceOfflineMode_.value()) return;
    offlineState_.connectionChanged(false, main().clock().now());
}

void AppModel::connectionRecovered() {
    if (forceOfflineMode_.value()) return;
    // A success while no network path exists does not mark the connection back.
    if (pathAvailable_) offlineState_.connectionChanged(true, main().clock().now());
    connected_.set(true);
    if (connectionError_ && error_.value() == connectionError_) showError(std::nullopt);
    if (status_.value() == failedStatus) status_.set(recoveredStatus);
}

void AppModel::reportError(std::exception_ptr failure) {
    const bool transient = NetworkSecurity::isTransientConnectionError(failure);
    if (transient) connectionFailed();
    showError(SafeError::message(failure));
    if (transient) connectionError_ = error_.value();
}

void AppModel::showError(std::optional<std::string> text) {
    error_.set(std::move(text));
    connectionError_.reset();
}

} // namespace sorvalind
