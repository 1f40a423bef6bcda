// What the controller makes of the pipeline's events: the queue follows the
// songs the pipeline really plays, the published state follows the sound,
// and the reports, the periodic save and the now-playing display are fed.

#include "playback/playback_controller.h"

#include "platform/crypto/digest.h"

#include <algorithm>
#include <cmath>

namespace sorvalind {

void PlaybackController::receive(const AudioPipeline::Event& event) {
    using Kind = AudioPipeline::Event::Kind;
    const auto& current = queue_.value().current;
    switch (event.kind) {
    case Kind::position: {
        if (!current || current->id != event.entryId) return;
        listeningEvents_.progressed(*current, event.seconds - position_.value(), isPlaying_.value());
        position_.set(event.seconds);
        if (std::fabs(event.seconds - lastSavedPosition_) > 10) {
            lastSavedPosition_ = event.seconds;
            persist(false);
        }
        nowPlaying();
        return;
    }
    case Kind::began:
        began(event.entryId);
        return;
    case Kind::buffering:
        if (!current || current->id != event.entryId) return;
        buffering_.set(event.buffering);
        nowPlaying();
        return;
    case Kind::buffered:
    case Kind::prepared:
        return;
    case Kind::failed:
        playbackToken_ = randomUUID();
        pipeline_->stop();
        pipelineReady_ = false;
        error_.set(event.message);
        buffering_.set(false);
        isPlaying_.set(false);
        nowPlaying();
        return;
    case Kind::outputChanged:
        // The song goes on at the same second on the new output: a restart
        // the user did not ask for.
        if (pipelineReady_ && current) reload(true, Restart::unasked);
        return;
    case Kind::ended: {
        QueueState queue = queue_.value();
        queue.advance();
        setQueue(std::move(queue));
        position_.set(0);
        reload(true);
        return;
    }
    }
}

void PlaybackController::began(const std::string& id) {
    if (!queue_.value().current || queue_.value().current->id != id) {
        QueueState queue = queue_.value();
        auto holds = [&](const std::vector<QueueEntry>& entries) {
            return std::any_of(entries.begin(), entries.end(),
                               [&](const QueueEntry& entry) { return entry.id == id; });
        };
        if (holds(queue.manual) || holds(queue.context) || holds(queue.history)) {
            const RepeatMode remembered = queue.repeatMode;
            queue.repeatMode = RepeatMode::all;
            const std::size_t steps = queue.manual.size() + queue.context.size() + queue.history.size() + 2;
            for (std::size_t step = 0; step < steps; ++step) {
                if (queue.current && queue.current->id == id) break;
                queue.advance();
            }
            queue.repeatMode = remembered;
        } else {
            auto entry = pipeline_->entry(id);
            if (!entry) return;
            if (queue.current) queue.history.push_back(*queue.current);
            queue.current = std::move(*entry);
        }
        setQueue(std::move(queue));
        position_.set(0);
        persist(true);
    }
    buffering_.set(false);
    const auto& current = queue_.value().current;
    if (current && artworkID_ != current->song.id) {
        artworkID_ = current->song.id;
        nowPlayingArtwork_.reset();
        requestArtwork(current->song);
    }
    if (current) listeningEvents_.began(*current, queue_.value().repeatMode == RepeatMode::one);
    nowPlaying();
}

void PlaybackController::requestArtwork(const Song& song) {
    if (!artworkProvider_) return;
    artworkProvider_(
        song, [weak = weak_from_this(), &mainActor = mainActor_, songID = song.id](ArtworkBytes bytes) {
            mainActor.post([weak, songID, bytes = std::move(bytes)] {
                auto self = weak.lock();
                if (!self || !bytes || bytes->empty()) return;
                const auto& current = self->queue_.value().current;
                // A slow provider never dresses a later song.
                if (!current || current->song.id != songID) return;
                self->nowPlayingArtwork_ = bytes;
                self->nowPlaying();
            });
        });
}

} // namespace sorvalind
