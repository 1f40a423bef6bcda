#include "playback/playback_controller.h"

#include "platform/crypto/digest.h"

#include <algorithm>
#include <cmath>

namespace sorvalind {

std::shared_ptr<PlaybackController> PlaybackController::make(Services services,
                                                             std::shared_ptr<AudioPipeline> pipeline) {
    std::shared_ptr<PlaybackController> controller(
        new PlaybackController(std::move(services), std::move(pipeline)));
    controller->configurePipeline();
    controller->installMediaCommands();
    return controller;
}

PlaybackController::PlaybackController(Services services, std::shared_ptr<AudioPipeline> pipeline)
    : mainActor_(services.mainActor), worker_(services.worker), repository_(services.repository),
      preferences_(services.preferences), nowPlayingCenter_(services.nowPlaying),
      remoteCommands_(services.remoteCommands), random_(std::move(services.random)),
      pipeline_(std::move(pipeline)), playbackToken_(randomUUID()),
      listeningEvents_(services.mainActor, services.worker),
      saves_(
          services.mainActor, services.repository.executor(),
          [&repository = services.repository](const std::optional<std::string>& queueJSON, double position) {
              repository.savePlayback(queueJSON, position);
          }) {
    const auto storedQuality = preferences_.stringValue(streamingQualityKey);
    const auto quality = storedQuality ? DownloadQuality::fromRaw(*storedQuality) : std::nullopt;
    setStreamingQuality(quality.value_or(DownloadQuality::original));
    setSendListeningEvents(preferences_.boolValue(sendListeningEventsKey).value_or(false));
    listeningEvents_.setEnabled(sendListeningEvents_.value());
}

PlaybackController::~PlaybackController() {
    // Released without a shutdown: nothing may reach the dead controller.
    if (!isShutdown_) pipeline_->setEventHandler({});
    removeMediaCommands();
}

template <class F> void PlaybackController::onMain(F f) {
    mainActor_.post([weak = weak_from_this(), f = std::move(f)]() mutable {
        if (auto self = weak.lock()) f(*self);
    });
}

// Read-only values ---------------------------------------------------------------

std::optional<Song> PlaybackController::current() const {
    const auto& current = queue_.value().current;
    if (!current) return std::nullopt;
    return current->song;
}

double PlaybackController::duration() const {
    const auto& current = queue_.value().current;
    if (!current || !current->song.duration) return 0;
    return *current->song.duration;
}

bool PlaybackController::canGoNext() const {
    return sorvalind::canGoNext(queue_.value(), availability_);
}

// Settings -----------------------------------------------------------------------

void PlaybackController::setStreamingQuality(DownloadQuality quality) {
    preferences_.setString(streamingQualityKey, quality.rawValue());
    const bool changed = streamingQuality_.value() != quality;
    streamingQuality_.set(quality);
    // The song goes on at the same second in the new quality: a restart the
    // user did not ask for.
    if (changed && queue_.value().current) reload(true, Restart::unasked);
}

void PlaybackController::setSendListeningEvents(bool send) {
    preferences_.setBool(sendListeningEventsKey, send);
    const bool changed = sendListeningEvents_.value() != send;
    sendListeningEvents_.set(send);
    listeningEvents_.setEnabled(send);
    if (changed && send && isPlaying_.value() && queue_.value().current)
        listeningEvents_.began(*queue_.value().current, false);
}

void PlaybackController::setVolume(double volume) {
    if (std::isnan(volume)) return;
    const double clamped = std::clamp(volume, 0.0, 1.0);
    volume_.set(clamped);
    pipeline_->volume(static_cast<float>(clamped));
}

void PlaybackController::configure(std::shared_ptr<APIClient> api) {
    api_ = api;
    listeningEvents_.setApi(std::move(api));
}

// Pipeline and the system's display -----------------------------------------------

void PlaybackController::configurePipeline() {
    pipeline_->volume(static_cast<float>(volume_.value()));
    pipeline_->setEventHandler([weak = weak_from_this(), &mainActor = mainActor_](
                                   const AudioPipeline::Token& token, const AudioPipeline::Event& event) {
        // Compared when the task runs: every event of a run replaced in the
        // meantime is dropped.
        mainActor.post([weak, token, event] {
            auto self = weak.lock();
            if (!self || self->isShutdown_ || token != self->playbackToken_) return;
            self->receive(event);
        });
    });
}

void PlaybackController::installMediaCommands() {
    auto command = [this](RemoteCommand which, void (*action)(PlaybackController&)) {
        commands_.push_back(remoteCommands_.addTarget(
            which, [weak = weak_from_this(), &mainActor = mainActor_, action](const RemoteCommandEvent&) {
                mainActor.post([weak, action] {
                    if (auto self = weak.lock()) action(*self);
                });
                return RemoteCommandStatus::success;
            }));
    };
    command(RemoteCommand::togglePlayPause, [](PlaybackController& c) { c.toggle(); });
    command(RemoteCommand::play, [](PlaybackController& c) {
        if (!c.isPlaying_.value()) c.toggle();
    });
    command(RemoteCommand::pause, [](PlaybackController& c) { c.pause(); });
    command(RemoteCommand::nextTrack, [](PlaybackController& c) { c.next(); });
    command(RemoteCommand::previousTrack, [](PlaybackController& c) { c.previous(); });
    command(RemoteCommand::stop, [](PlaybackController& c) { c.stop(); });
    commands_.push_back(remoteCommands_.addTarget(
        RemoteCommand::changePlaybackPosition,
        [weak = weak_from_this(), &mainActor = mainActor_](const RemoteCommandEvent& event) {
            if (event.command != RemoteCommand::changePlaybackPosition || !event.positionTime)
                return RemoteCommandStatus::commandFailed;
            mainActor.post([weak, seconds = *event.positionTime] {
                if (auto self = weak.lock()) self->seek(seconds);
            });
            return RemoteCommandStatus::success;
        }));
    refreshNextCommand();
}

void PlaybackController::removeMediaCommands() noexcept {
    for (RemoteCommandToken token : commands_)
        remoteCommands_.removeTarget(token);
    commands_.clear();
}

void PlaybackController::refreshNextCommand() {
    remoteCommands_.setEnabled(RemoteCommand::nextTrack, canGoNext());
}

void PlaybackController::setQueue(QueueState queue) {
    queue_.set(std::move(queue));
    refreshNextCommand();
}

void PlaybackController::nowPlaying() {
    const auto& current = queue_.value().current;
    if (!current) {
        nowPlayingCenter_.publish(std::nullopt);
        return;
    }
    NowPlayingInfo info;
    info.entryID = current->id;
    info.title = current->song.title;
    info.artist = current->song.artistNames();
    info.album = current->song.album.value_or("");
    info.duration = current->song.duration.value_or(0);
    info.elapsed = position_.value();
    info.playing = isPlaying_.value() && !buffering_.value();
    info.artwork = nowPlayingArtwork_;
    nowPlayingCenter_.publish(info);
}

} // namespace sorvalind
