// Saving and restoring the queue and position, stopping, and shutting down
// in order.

#include "playback/playback_controller.h"

#include "library/json_coding.h"
#include "platform/crypto/digest.h"
#include "runtime/async_call.h"

#include <memory>

namespace sorvalind {

void PlaybackController::persist(bool queueChanged) {
    persist(queueChanged ? std::make_shared<const QueueState>(queue_.value()) : nullptr);
}

void PlaybackController::persist(std::shared_ptr<const QueueState> queue) {
    PlaybackSaves::QueueText queueText;
    // A failed encoding loses only this save; the next one carries the queue.
    if (queue) queueText = [queue = std::move(queue)] { return toJSONText(*queue); };
    saves_.save(std::move(queueText), position_.value());
}

TaskHandle PlaybackController::restore() {
    struct Stored {
        std::optional<std::string> queue;
        std::optional<std::string> position;
    };
    auto done = std::make_shared<TaskSource>();
    runOn(
        repository_.executor(), mainActor_,
        [&repository = repository_] {
            Stored stored;
            // A read that fails counts as no value.
            try {
                stored.queue = repository.state(queueKey);
            } catch (...) {
            }
            try {
                stored.position = repository.state(positionKey);
            } catch (...) {
            }
            return stored;
        },
        [weak = weak_from_this(), done](Outcome<Stored> outcome) {
            auto self = weak.lock();
            if (self && outcome.hasValue() && !self->isShutdown_) {
                const Stored& stored = outcome.get();
                if (stored.queue) {
                    try {
                        self->setQueue(fromJSONText<QueueState>(*stored.queue));
                    } catch (...) {
                        // Not a queue: the queue stays as it is.
                    }
                }
                if (stored.position) {
                    if (auto seconds = parsePosition(*stored.position)) {
                        const auto& current = self->queue_.value().current;
                        self->position_.set(
                            clampPosition(*seconds, current ? current->song.duration : std::nullopt));
                    }
                }
            }
            done->finish(Outcome<void>::success());
        });
    return done->handle();
}

void PlaybackController::stop() {
    stop(true);
}

void PlaybackController::stop(bool resetPosition) {
    loading_.cancel();
    playbackToken_ = randomUUID();
    pipeline_->stop();
    pipelineReady_ = false;
    isPlaying_.set(false);
    buffering_.set(false);
    if (resetPosition) {
        position_.set(0);
        persist(true);
    }
    nowPlaying();
}

TaskHandle PlaybackController::shutdown() {
    stop(false);
    listeningEvents_.setEnabled(false);
    api_.reset();
    listeningEvents_.setApi(std::shared_ptr<APIClient>());
    artworkProvider_ = nullptr;
    isShutdown_ = true;
    pipeline_->setEventHandler({});
    removeMediaCommands();

    auto done = std::make_shared<TaskSource>();
    TaskHandle::allFinished({loading_, saves_.last()})
        .whenFinished(mainActor_, [weak = weak_from_this(), done](const Outcome<void>&) {
            if (auto self = weak.lock()) {
                // In memory only: the store keeps the last save for the
                // next start.
                self->setQueue(QueueState());
                self->position_.set(0);
                self->nowPlayingArtwork_.reset();
                self->artworkID_.reset();
                self->nowPlaying();
            }
            done->finish(Outcome<void>::success());
        });
    return done->handle();
}

} // namespace sorvalind
