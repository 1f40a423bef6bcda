#pragma once
// The model's playback seam over the real playback controller, and the
// factory the application and the tests hand to AppEnvironment::makePlayback.
// Main actor only.

#include "model/app_environment.h"
#include "model/playback_control.h"

#include "audio/audio_engine.h"
#include "audio/audio_output.h"
#include "playback/playback_controller.h"

#include <functional>
#include <memory>

namespace sorvalind {

class ControllerPlayback final : public PlaybackControl {
public:
    ControllerPlayback(std::shared_ptr<PlaybackController> controller, std::shared_ptr<AudioEngine> engine)
        : controller_(std::move(controller)), engine_(std::move(engine)) {}

    PlaybackController* controller() noexcept override { return controller_.get(); }
    // The engine under the controller's pipeline (rendered by hand on the
    // offline output).
    AudioEngine& engine() noexcept { return *engine_; }

    TaskHandle restore() override { return controller_->restore(); }
    TaskHandle shutdown() override { return controller_->shutdown(); }
    void configure(std::shared_ptr<APIClient> api) override { controller_->configure(std::move(api)); }
    void setOfflineAvailability(bool isOffline, const std::set<std::string>& downloadedSongIDs) override;
    void setArtworkProvider(ArtworkProvider provider) override;
    void setSupportsTranscodeOffset(bool supported) override {
        controller_->setSupportsTranscodeOffset(supported);
    }
    void play(std::vector<Song> songs, const std::optional<std::string>& startingAt,
              std::optional<std::size_t> startingIndex,
              std::optional<DownloadQuality> preferredQuality) override;
    void updateMetadata(const Song& song) override { controller_->updateMetadata(song); }

private:
    std::shared_ptr<PlaybackController> controller_;
    std::shared_ptr<AudioEngine> engine_;
};

struct ControllerPlaybackSetup {
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

    Executor& mainActor;
    // Source building and listening reports.
    Executor& workers;
    // The sound device (PulseAudio on the desktop, the offline output in tests).
    OutputFactory makeOutput;
    // The transport of the pipeline's range requests and streams.
    AppEnvironment::SessionFactory makeSession;
    NowPlayingCenter& nowPlaying;
    RemoteCommandCenter& remoteCommands;
};

// Each call of the returned factory builds one engine, one pipeline and one
// controller over the model's store and preferences. The setup's references
// must outlive every model made with it.
AppEnvironment::PlaybackFactory makeControllerPlaybackFactory(ControllerPlaybackSetup setup);

} // namespace sorvalind
