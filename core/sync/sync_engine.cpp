#include "sync/sync_engine.h"

#include "errors/api_error.h"
#include "platform/text/locale_number.h"
#include "runtime/cancellation.h"
#include "runtime/thread_executor.h"
#include "sync/page_ahead.h"
#include "sync/page_signature.h"
#include "sync/sync_checkpoint.h"

#include <cstddef>
#include <unordered_set>
#include <utility>

namespace sorvalind {

namespace {

constexpr const char* checkpointKey = "syncCheckpoint";

template <class Record> int countOf(const std::optional<std::vector<Record>>& records) noexcept {
    return records ? static_cast<int>(records->size()) : 0;
}

} // namespace

SyncEngine::SyncEngine(LibraryRepository& repository, Executor& mainActor, const WallClock& wallClock,
                       std::string localeId)
    : repository_(repository), mainActor_(mainActor), wallClock_(wallClock),
      localeId_(localeId.empty() ? text::userLocaleId() : std::move(localeId)),
      pushQueue_(std::make_unique<SerialQueue>("sync-push")),
      fetchQueue_(std::make_unique<SerialQueue>("sync-fetch")) {}

SyncEngine::~SyncEngine() {
    {
        std::lock_guard lock(mutex_);
        editPushTask_.cancel();
    }
    // Joins the push in progress; pushes chained after it are dropped and
    // end as cancelled.
    pushQueue_->shutdown();
    fetchQueue_->shutdown();
}

void SyncEngine::refresh(LibraryAPI& api, const ProgressCallback& progress, std::stop_token stop) {
    {
        std::lock_guard lock(mutex_);
        if (running_) return;
        running_ = true;
    }
    struct Release {
        SyncEngine& engine;
        ~Release() {
            std::lock_guard lock(engine.mutex_);
            engine.running_ = false;
        }
    } release{*this};

    refreshPlaylists(api, stop);
    report(progress, {0, 0, 0, "Playlists up to date"});
    runPass(api, progress, std::move(stop));
}

void SyncEngine::runPass(LibraryAPI& api, const ProgressCallback& progress, std::stop_token stop) {
    SyncCheckpoint checkpoint = SyncCheckpoint::fresh(wallClock_.now());
    if (const std::optional<std::string> stored = repository_.state(checkpointKey)) {
        std::optional<SyncCheckpoint> earlier = SyncCheckpoint::decode(*stored);
        if (earlier && wallClock_.now() - earlier->started < resumeWindow) checkpoint = std::move(*earlier);
    }
    bool resumed = checkpoint.hasProgress();
    std::unordered_set<std::string> seen;

    throwIfCancelled(stop);
    // The next page is requested while the current one is written; the run
    // waits for it only after the write. A run that ends early (cancelled or
    // failed) stops that request and waits for it before it returns, and
    // drops what it brought.
    PageAhead ahead(*fetchQueue_, api, stop);
    ahead.request(checkpoint.artists, checkpoint.albums, checkpoint.songs, pageSize);
    for (;;) {
        const SearchPage page = ahead.take();
        const int artists = countOf(page.artist);
        const int albums = countOf(page.album);
        const int songs = countOf(page.song);

        if (artists + albums + songs > 0) {
            if (!seen.insert(pageSignature(page)).second) throw APIError::pagination();
            checkpoint.artists += artists;
            checkpoint.albums += albums;
            checkpoint.songs += songs;
            ahead.request(checkpoint.artists, checkpoint.albums, checkpoint.songs, pageSize);
            // The page and the checkpoint after it share one transaction, so
            // an interrupted run goes on exactly after the last written page.
            repository_.ingest(page, checkpoint.generation, checkpoint.encode());
            report(progress, {checkpoint.artists, checkpoint.albums, checkpoint.songs,
                              indexingMessage(checkpoint.songs)});
            throwIfCancelled(stop);
            continue;
        }

        if (resumed) {
            // The interrupted generation is complete, but what it saw is
            // spread over two runs: only a whole pass may decide what the
            // server no longer has.
            checkpoint = SyncCheckpoint::fresh(wallClock_.now());
            seen.clear();
            resumed = false;
            report(progress, {0, 0, 0, "Verifying resumed library"});
            throwIfCancelled(stop);
            ahead.request(0, 0, 0, pageSize);
            continue;
        }

        throwIfCancelled(stop);
        repository_.finishSync(checkpoint.generation);
        report(progress, {checkpoint.artists, checkpoint.albums, checkpoint.songs, "Library up to date"});
        return;
    }
}

void SyncEngine::report(const ProgressCallback& progress, SyncProgress value) {
    if (!progress) return;
    mainActor_.post([progress, value = std::move(value)] { progress(value); });
}

std::string SyncEngine::indexingMessage(int songs) const {
    return "Indexing " + text::decimalText(songs, 0, 0, localeId_) + " songs";
}

} // namespace sorvalind
