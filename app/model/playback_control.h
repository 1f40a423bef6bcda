#pragma once
// What the model needs of the playback controller: every call the model
// makes on it goes through this one interface, so the controller is wired in
// one place (the environment's playback factory, see app_environment.h).
// Main actor only.

#include "library/download_quality.h"
#include "library/song.h"
#include "runtime/task_handle.h"
#include "services/now_playing_center.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sorvalind {

class APIClient;
class PlaybackController;

class PlaybackControl {
public:
    // Cover art for the desktop's now-playing display: called on the main
    // actor; `reply` runs on the main actor with the image bytes or null.
    using ArtworkReply = std::function<void(ArtworkBytes)>;
    using ArtworkProvider = std::function<void(const Song&, ArtworkReply reply)>;

    virtual ~PlaybackControl() = default;

    // Brings back the saved queue and position without playing; never fails.
    virtual TaskHandle restore() = 0;
    // Stops playback for good and drops the client and the artwork provider.
    virtual TaskHandle shutdown() = 0;
    virtual void configure(std::shared_ptr<APIClient> api) = 0;
    virtual void setOfflineAvailability(bool isOffline, const std::set<std::string>& downloadedSongIDs) = 0;
    virtual void setArtworkProvider(ArtworkProvider provider) = 0;
    virtual void setSupportsTranscodeOffset(bool supported) = 0;
    // The songs are moved on into the queue.
    virtual void play(std::vector<Song> songs, const std::optional<std::string>& startingAt,
                      std::optional<std::size_t> startingIndex,
                      std::optional<DownloadQuality> preferredQuality) = 0;
    // An edited song: queue entries of that id take the new copy.
    virtual void updateMetadata(const Song& song) = 0;

    // The controller itself, for the views of the queue, the position, the
    // transport and the playback settings; null when this playback has none
    // (a detached model never plays).
    virtual PlaybackController* controller() noexcept = 0;
};

} // namespace sorvalind
