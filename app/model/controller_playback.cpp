#include "model/controller_playback.h"

#include "playback/audio_pipeline.h"

#include <cstdint>
#include <unordered_set>
#include <utility>

namespace sorvalind {

void ControllerPlayback::setOfflineAvailability(bool isOffline,
                                                const std::set<std::string>& downloadedSongIDs) {
    controller_->setOfflineAvailability(
        isOffline, std::unordered_set<std::string>(downloadedSongIDs.begin(), downloadedSongIDs.end()));
}

void ControllerPlayback::setArtworkProvider(ArtworkProvider provider) {
    // The model answers on the main actor, which the controller accepts.
    controller_->setArtworkProvider(std::move(provider));
}

void ControllerPlayback::play(std::vector<Song> songs, const std::optional<std::string>& startingAt,
                              std::optional<std::size_t> startingIndex,
                              std::optional<DownloadQuality> preferredQuality) {
    std::optional<std::int64_t> index;
    if (startingIndex) index = static_cast<std::int64_t>(*startingIndex);
    controller_->play(std::move(songs), startingAt, index, preferredQuality);
}

AppEnvironment::PlaybackFactory makeControllerPlaybackFactory(ControllerPlaybackSetup setup) {
    return [setup = std::move(setup)](LibraryRepository& repository,
                                      Preferences& preferences) -> std::unique_ptr<PlaybackControl> {
        auto engine = std::make_shared<AudioEngine>(setup.makeOutput());
        auto pipeline = AudioPipeline::make(engine, setup.makeSession());
        auto controller = PlaybackController::make(
            {setup.mainActor, setup.workers, repository, preferences, setup.nowPlaying, setup.remoteCommands},
            std::move(pipeline));
        return std::make_unique<ControllerPlayback>(std::move(controller), std::move(engine));
    };
}

} // namespace sorvalind
