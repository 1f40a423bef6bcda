// Reload: the queue becomes the pipeline's sources (a downloaded file where
// one exists, else a server stream) and the pipeline starts, or only hears
// about its new upcoming songs.

#include "playback/playback_controller.h"

#include "errors/api_error.h"
#include "errors/safe_error.h"
#include "platform/crypto/digest.h"
#include "playback/playback_plan.h"
#include "playback/stream_source.h"
#include "runtime/async_call.h"

namespace sorvalind {

namespace {

// What one reload hands its source builder: copies only. The plan is made
// from the queue on the worker, so a long queue is not walked on the main
// actor.
struct BuildInput {
    std::shared_ptr<const QueueState> queue;
    PlaybackPlan plan;
    std::string currentID;
    DownloadsBySong downloads;
    DownloadQuality wanted = DownloadQuality::original;
    DownloadQuality streaming = DownloadQuality::original;
    bool offsetSupported = false;
    bool mayDiscard = false;
    std::shared_ptr<APIClient> client;
};

struct BuiltSources {
    std::vector<AudioPipeline::Source> sources;
    // The current song plays from the server, not from a download.
    bool currentStreams = false;
};

AudioPipeline::ResolvedSource resolvedStream(const StreamStart& start) {
    return {start.request, start.serverOffset,
            start.serverOffset ? std::optional<double>(start.streamStart) : std::nullopt};
}

AudioPipeline::Source::Resolver streamResolver(Song song, std::shared_ptr<APIClient> client,
                                               bool offsetSupported, DownloadQuality quality,
                                               bool mayDiscard) {
    return [song = std::move(song), client = std::move(client), offsetSupported, quality,
            mayDiscard](double seconds) {
        return resolvedStream(remoteSource(song, seconds, *client, offsetSupported, quality, mayDiscard));
    };
}

AudioPipeline::Source::Resolver fileResolver(DownloadRecord record,
                                             AudioPipeline::Source::Resolver fallback) {
    return [record = std::move(record), fallback = std::move(fallback)](double seconds) {
        if (downloadedFileExists(record.path)) return AudioPipeline::ResolvedSource::file(record.path);
        // Deleted since the reload: stream it when a client was at hand.
        if (fallback) return fallback(seconds);
        throw APIError::unavailable(FeatureFailure::missingLocalFile);
    };
}

BuiltSources buildSources(const BuildInput& input, const std::stop_token& stop) {
    BuiltSources built;
    for (const QueueEntry& entry : input.plan.entries) {
        throwIfCancelled(stop);
        const bool isCurrent = entry.id == input.currentID;
        auto records = input.downloads.find(entry.song.id);
        std::optional<DownloadRecord> record;
        if (records != input.downloads.end())
            record = chooseDownload(records->second, input.wanted, downloadedFileExists);
        AudioPipeline::Source::Resolver stream;
        if (input.client)
            stream = streamResolver(entry.song, input.client, input.offsetSupported, input.streaming,
                                    input.mayDiscard);
        if (record) {
            built.sources.emplace_back(entry, fileResolver(std::move(*record), std::move(stream)));
        } else if (stream) {
            built.sources.emplace_back(entry, std::move(stream));
            if (isCurrent) built.currentStreams = true;
        } else if (isCurrent) {
            throw APIError::unavailable(FeatureFailure::offlineTrack);
        }
    }
    return built;
}

} // namespace

void PlaybackController::reload(bool replacingAudio, Restart restart) {
    loading_.cancel();
    if (replacingAudio) {
        playbackToken_ = randomUUID();
        pipeline_->stop();
        pipelineReady_ = false;
        error_.set(std::nullopt);
    }
    // The queue is copied only when it has to move: offline, past a
    // current song that is not downloaded.
    if (const auto& current = queue_.value().current;
        availability_.offline && current && !availability_.isDownloaded(current->song)) {
        QueueState queue = queue_.value();
        if (skipToAvailable(queue, availability_)) {
            setQueue(std::move(queue));
            position_.set(0);
        }
    }
    // One copy of the queue serves the save and the plan.
    auto queue = std::make_shared<const QueueState>(queue_.value());
    persist(queue);
    if (!queue_.value().current) {
        isPlaying_.set(false);
        buffering_.set(false);
        nowPlaying();
        return;
    }
    if (replacingAudio) buffering_.set(true);

    const std::string token = playbackToken_;
    const double start = position_.value();
    auto input = std::make_shared<BuildInput>();
    input->queue = std::move(queue);
    input->currentID = queue_.value().current->id;
    input->mayDiscard = restart == Restart::unasked;

    auto source = std::make_shared<TaskSource>();
    loading_ = source->handle();
    const std::stop_token stop = source->stopToken();
    auto weak = weak_from_this();

    auto finish = [source] { source->finish(Outcome<void>::success()); };
    // Step 3, off the main actor: the sources, then back to apply them.
    auto applySources = [weak, token, start, replacingAudio, input, stop,
                         finish](Outcome<BuiltSources> built) mutable {
        auto self = weak.lock();
        if (!self || token != self->playbackToken_ || stop.stop_requested()) return finish();
        if (!built.hasValue()) {
            self->reloadFailed(built.error(), token, replacingAudio);
            return finish();
        }
        double seconds = start;
        const auto& song = input->plan.entries.front().song;
        if (built.get().currentStreams && input->mayDiscard && seconds > maximumDiscard &&
            needsDiscardingStart(song, seconds, input->offsetSupported, input->streaming)) {
            // Too far to reach by discarding: the song starts over.
            seconds = 0;
            self->position_.set(0);
        }
        auto& pipeline = *self->pipeline_;
        if (!self->pipelineReady_ || replacingAudio) {
            pipeline.start(std::move(built.get().sources), seconds, self->isPlaying_.value(), token,
                           input->plan.repeatContext);
            self->pipelineReady_ = true;
        } else {
            pipeline.updateUpcoming(std::move(built.get().sources), token, input->plan.repeatContext);
        }
        self->nowPlaying();
        finish();
    };
    // Step 2, on the main actor: the records and the settings of this moment.
    auto withRecords = [weak, token, replacingAudio, input, stop, finish,
                        applySources =
                            std::move(applySources)](Outcome<std::vector<DownloadRecord>> records) mutable {
        auto self = weak.lock();
        if (!self || token != self->playbackToken_ || stop.stop_requested()) return finish();
        if (!records.hasValue()) {
            self->reloadFailed(records.error(), token, replacingAudio);
            return finish();
        }
        input->downloads = groupDownloads(std::move(records.get()));
        input->wanted = self->preferredDownloadQuality_.value_or(self->streamingQuality_.value());
        input->streaming = self->streamingQuality_.value();
        input->offsetSupported = self->supportsTranscodeOffset_;
        if (!self->availability_.offline) input->client = self->api_;
        runOn(
            self->worker_, self->mainActor_, stop,
            [input, stop] {
                input->plan = planPlayback(*input->queue);
                input->queue.reset();
                return buildSources(*input, stop);
            },
            std::move(applySources));
    };
    // Step 1, on the store's queue: every download record.
    runOn(
        repository_.executor(), mainActor_, stop,
        [&repository = repository_] { return repository.downloads(); }, std::move(withRecords));
}

void PlaybackController::reloadFailed(std::exception_ptr failure, const std::string& token,
                                      bool replacingAudio) {
    if (token != playbackToken_) return;
    error_.set(SafeError::message(failure));
    if (replacingAudio || !pipelineReady_) {
        buffering_.set(false);
        isPlaying_.set(false);
    }
    nowPlaying();
}

} // namespace sorvalind
