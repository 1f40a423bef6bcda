// The transport operations and queue edits of the playback controller.

#include "playback/playback_controller.h"

#include <algorithm>
#include <cmath>

namespace sorvalind {

void PlaybackController::play(std::vector<Song> songs, std::optional<std::string> startingAt,
                              std::optional<std::int64_t> startingIndex,
                              std::optional<DownloadQuality> preferredQuality) {
    auto request =
        servablePlayRequest({std::move(songs), std::move(startingAt), startingIndex}, availability_);
    if (!request) return;
    preferredDownloadQuality_ = preferredQuality;
    // A replacement keeps only the modes of the old queue: nothing else of
    // it is copied.
    QueueState queue;
    queue.repeatMode = queue_.value().repeatMode;
    queue.shuffle = queue_.value().shuffle;
    queue.replace(std::move(request->songs), request->startingAt, request->startingIndex, random_);
    setQueue(std::move(queue));
    position_.set(0);
    isPlaying_.set(true);
    reload(true);
}

void PlaybackController::shuffleAndPlay(const std::vector<Song>& songs) {
    auto kept = availability_.availableSongs(songs);
    if (availability_.offline && kept.empty()) return;
    preferredDownloadQuality_.reset();
    QueueState queue;
    queue.repeatMode = queue_.value().repeatMode;
    queue.replaceShuffled(std::move(kept), random_);
    setQueue(std::move(queue));
    position_.set(0);
    isPlaying_.set(true);
    reload(true);
}

void PlaybackController::toggle() {
    if (!queue_.value().current) return;
    isPlaying_.set(!isPlaying_.value());
    if (isPlaying_.value()) {
        // Not prepared (after a restore, a failure or a stop): the song
        // restarts where it was, a restart the user did not ask for.
        if (pipelineReady_)
            pipeline_->resume();
        else
            reload(true, Restart::unasked);
    } else {
        pipeline_->pause();
    }
    persist(true);
    nowPlaying();
}

void PlaybackController::pause() {
    isPlaying_.set(false);
    pipeline_->pause();
    persist(true);
    nowPlaying();
}

void PlaybackController::seek(double seconds) {
    if (!queue_.value().current) return;
    double target = std::isnan(seconds) ? 0 : std::max(seconds, 0.0);
    target = std::min(target, duration());
    position_.set(target);
    reload(true);
}

void PlaybackController::next() {
    if (!canGoNext()) return;
    QueueState queue = queue_.value();
    const RepeatMode remembered = queue.repeatMode;
    if (remembered == RepeatMode::one) queue.repeatMode = RepeatMode::off;
    const std::size_t steps = queue.manual.size() + queue.context.size() + queue.history.size() + 1;
    for (std::size_t step = 0; step < steps; ++step) {
        auto entry = queue.advance();
        if (entry && availability_.isAvailable(entry->song)) break;
    }
    queue.repeatMode = remembered;
    setQueue(std::move(queue));
    position_.set(0);
    reload(true);
}

void PlaybackController::previous() {
    if (position_.value() > 3) {
        seek(0);
        return;
    }
    QueueState queue = queue_.value();
    const std::size_t steps = std::max<std::size_t>(queue.history.size(), 1);
    for (std::size_t step = 0; step < steps; ++step) {
        queue.previous();
        if (!availability_.offline) break;
        if (queue.current && availability_.isDownloaded(queue.current->song)) break;
    }
    setQueue(std::move(queue));
    position_.set(0);
    reload(true);
}

void PlaybackController::enqueue(const std::vector<Song>& songs, bool next) {
    auto kept = availability_.availableSongs(songs);
    // Offline, a list with nothing downloaded changes nothing; online even an
    // empty list starts an idle queue that has something to play (the
    // history again under repeat all).
    if (kept.empty() && availability_.offline) return;
    QueueState queue = queue_.value();
    // Into an empty player the queue advances with repeat one lifted for
    // that step, so that something starts.
    const bool starts = queue.enqueue(kept, next);
    setQueue(std::move(queue));
    if (starts) {
        position_.set(0);
        isPlaying_.set(true);
        reload(true);
        return;
    }
    editTail();
}

void PlaybackController::remove(const std::string& id) {
    editQueue([&](QueueState& queue) { queue.remove(id); });
}

void PlaybackController::clearManual() {
    editQueue([](QueueState& queue) { queue.clearManual(); });
}

void PlaybackController::move(const std::string& id, const std::string& before) {
    editQueue([&](QueueState& queue) { queue.move(id, before); });
}

void PlaybackController::toggleShuffle() {
    editQueue([this](QueueState& queue) { queue.toggleShuffle(random_); });
}

void PlaybackController::cycleRepeat() {
    editQueue([](QueueState& queue) { queue.cycleRepeat(); });
}

void PlaybackController::editQueue(const std::function<void(QueueState&)>& edit) {
    QueueState queue = queue_.value();
    edit(queue);
    setQueue(std::move(queue));
    editTail();
}

void PlaybackController::editTail() {
    if (pipelineReady_ || buffering_.value()) {
        reload(false);
        return;
    }
    persist(true);
    nowPlaying();
}

void PlaybackController::setOfflineAvailability(bool isOffline,
                                                std::unordered_set<std::string> downloadedSongIDs) {
    if (availability_.offline == isOffline && availability_.downloadedSongIDs == downloadedSongIDs) return;
    availability_.offline = isOffline;
    availability_.downloadedSongIDs = std::move(downloadedSongIDs);
    availabilityChanges_.send(availability_);
    refreshNextCommand();
    if (!pipelineReady_ && !buffering_.value()) return;
    const auto& current = queue_.value().current;
    const bool replacing = isOffline && current && !availability_.isDownloaded(current->song);
    reload(replacing);
}

void PlaybackController::updateMetadata(const Song& song) {
    QueueState queue = queue_.value();
    if (queue.updateSong(song)) setQueue(std::move(queue));
    persist(true);
    nowPlaying();
}

} // namespace sorvalind
