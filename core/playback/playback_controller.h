#pragma once
// The one object through which the rest of the program plays music. It owns
// the play queue, the gapless audio pipeline and the listening reports, and
// publishes what the player bar, the queue panel and the song tables show.
// Every operation edits the queue and the published state and then either
// asks the pipeline for a small change (pause, resume, volume) or runs one
// reload, which turns the queue into pipeline sources (downloaded files
// first, else server streams) and starts the pipeline or replaces its
// upcoming songs. Pipeline events come back tagged with the run's token and
// are dropped unless that token is still the current one. The queue and
// position are saved through one ordered chain of saves and restored at
// start; the system's now-playing display and remote commands follow.
//
// Main actor only (the executor of Services): every operation, published
// value and callback; it is held by shared_ptr, and its callbacks, posted
// work and remote-command handlers hold it weakly. Source building and the
// store run on the worker pool and the store's own queue; the pipeline's
// resolvers run on its decoder queue with copied values only. No operation
// throws but std::bad_alloc; failures end in `error`. Run shutdown() and let
// it end before the store is closed; the services must outlive the
// controller.

#include "library/download_quality.h"
#include "library/song.h"
#include "playback/audio_pipeline.h"
#include "playback/playback_availability.h"
#include "playback/playback_saves.h"
#include "playback/queue_state.h"
#include "playback/shuffle_source.h"
#include "runtime/executor.h"
#include "runtime/published.h"
#include "runtime/task_handle.h"
#include "server/api_client.h"
#include "server/listening_event_reporter.h"
#include "services/now_playing_center.h"
#include "services/preferences.h"
#include "services/remote_command_center.h"
#include "store/library_repository.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace sorvalind {

class PlaybackController : public std::enable_shared_from_this<PlaybackController> {
public:
    struct Services {
        Executor& mainActor;
        // Blocking work: source building (file checks) and the reporter's
        // requests.
        Executor& worker;
        LibraryRepository& repository;
        Preferences& preferences;
        NowPlayingCenter& nowPlaying;
        RemoteCommandCenter& remoteCommands;
        // Where shuffles draw from.
        ShuffleSource random = systemShuffleIndex;
    };

    // Cover art for the now-playing display: called on the main actor with a
    // song, it calls `deliver` once, from any thread, with the image bytes or
    // none.
    using ArtworkProvider = std::function<void(const Song& song, std::function<void(ArtworkBytes)> deliver)>;

    static constexpr const char* streamingQualityKey = "streamingQuality";
    static constexpr const char* sendListeningEventsKey = "sendListeningEvents";
    static constexpr const char* queueKey = "queue";
    static constexpr const char* positionKey = "position";

    // Reads the two settings, hands the pipeline the volume and its event
    // handler, and registers the remote commands.
    static std::shared_ptr<PlaybackController> make(Services services,
                                                    std::shared_ptr<AudioPipeline> pipeline);
    // Teardown: removes the remote-command registrations still held and,
    // without a shutdown, the pipeline's event handler.
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    // Published state.
    const Published<QueueState>& queue() const noexcept { return queue_; }
    const Published<double>& position() const noexcept { return position_; }
    // The user's play/pause intent; true also while a song is prepared.
    const Published<bool>& isPlaying() const noexcept { return isPlaying_; }
    const Published<bool>& buffering() const noexcept { return buffering_; }
    const Published<std::optional<std::string>>& error() const noexcept { return error_; }
    const Published<double>& volume() const noexcept { return volume_; }
    const Published<DownloadQuality>& streamingQuality() const noexcept { return streamingQuality_; }
    const Published<bool>& sendListeningEvents() const noexcept { return sendListeningEvents_; }
    // Announced on every change of the offline flag or the downloaded set.
    const Subject<PlaybackAvailability>& availabilityChanges() const noexcept { return availabilityChanges_; }

    // The reload in flight and the newest save, for whoever must wait for
    // them (a finished handle when there is none).
    const TaskHandle& loading() const noexcept { return loading_; }
    const TaskHandle& persistence() const noexcept { return saves_.last(); }

    std::optional<Song> current() const;
    // Seconds; 0 without a current song or a known duration.
    double duration() const;
    bool canGoNext() const;

    // Settings.
    void setStreamingQuality(DownloadQuality quality);
    void setSendListeningEvents(bool send);
    // Clamped to 0...1; a value that is not a number leaves the volume.
    void setVolume(double volume);
    bool supportsTranscodeOffset() const noexcept { return supportsTranscodeOffset_; }
    void setSupportsTranscodeOffset(bool supported) noexcept { supportsTranscodeOffset_ = supported; }
    void setArtworkProvider(ArtworkProvider provider) { artworkProvider_ = std::move(provider); }

    // Transport.
    // The songs are moved into the queue: a caller that hands over its list
    // spares the copy of every song.
    void play(std::vector<Song> songs, std::optional<std::string> startingAt,
              std::optional<std::int64_t> startingIndex, std::optional<DownloadQuality> preferredQuality);
    void shuffleAndPlay(const std::vector<Song>& songs);
    void toggle();
    void pause();
    void seek(double seconds);
    void next();
    void previous();
    void enqueue(const std::vector<Song>& songs, bool next);
    void remove(const std::string& id);
    void clearManual();
    void move(const std::string& id, const std::string& before);
    void toggleShuffle();
    void cycleRepeat();
    // Stops and resets the position to 0; the queue stays and is saved.
    void stop();

    // From the application model.
    void setOfflineAvailability(bool isOffline, std::unordered_set<std::string> downloadedSongIDs);
    void configure(std::shared_ptr<APIClient> api);
    void updateMetadata(const Song& song);

    // Brings back the saved queue and position without playing; ends on the
    // main actor.
    TaskHandle restore();
    // Stops for good, in order: no save, reporter off, client and artwork
    // dropped, events and remote commands disconnected, then it waits for
    // the last reload and save and empties the queue in memory only. Ends on
    // the main actor.
    TaskHandle shutdown();

private:
    PlaybackController(Services services, std::shared_ptr<AudioPipeline> pipeline);
    void configurePipeline();
    void installMediaCommands();
    void removeMediaCommands() noexcept;

    // How a reload that replaces the audio reaches the position. A user's
    // seek keeps the server's own rules; a restart the user did not ask for
    // may stream from 0 and discard up to the position.
    enum class Restart : std::uint8_t { asked, unasked };

    // The queue changes only through this, so the next-track command follows.
    void setQueue(QueueState queue);
    void refreshNextCommand();
    // A queue edit, then the song that plays goes on with the new songs
    // after it, or the queue is saved.
    void editQueue(const std::function<void(QueueState&)>& edit);
    void editTail();
    void reload(bool replacingAudio, Restart restart = Restart::asked);
    void reloadFailed(std::exception_ptr failure, const std::string& token, bool replacingAudio);
    void persist(bool queueChanged);
    // Saves the position, and the queue when given: a copy of this moment's
    // queue, encoded on the store's queue.
    void persist(std::shared_ptr<const QueueState> queue);
    void stop(bool resetPosition);
    void nowPlaying();
    void receive(const AudioPipeline::Event& event);
    void began(const std::string& id);
    void requestArtwork(const Song& song);
    template <class F> void onMain(F f);

    Executor& mainActor_;
    Executor& worker_;
    LibraryRepository& repository_;
    Preferences& preferences_;
    NowPlayingCenter& nowPlayingCenter_;
    RemoteCommandCenter& remoteCommands_;
    ShuffleSource random_;
    std::shared_ptr<AudioPipeline> pipeline_;

    Published<QueueState> queue_;
    Published<double> position_{0};
    Published<bool> isPlaying_{false};
    Published<bool> buffering_{false};
    Published<std::optional<std::string>> error_;
    Published<double> volume_{0.8};
    Published<DownloadQuality> streamingQuality_{DownloadQuality::original};
    Published<bool> sendListeningEvents_{false};
    Subject<PlaybackAvailability> availabilityChanges_;

    std::shared_ptr<APIClient> api_;
    PlaybackAvailability availability_;
    TaskHandle loading_;
    std::string playbackToken_;
    bool pipelineReady_ = false;
    std::optional<DownloadQuality> preferredDownloadQuality_;
    ListeningEventReporter listeningEvents_;
    double lastSavedPosition_ = 0;
    std::vector<RemoteCommandToken> commands_;
    ArtworkProvider artworkProvider_;
    ArtworkBytes nowPlayingArtwork_;
    std::optional<std::string> artworkID_;
    bool supportsTranscodeOffset_ = false;
    PlaybackSaves saves_;
    bool isShutdown_ = false;
};

} // namespace sorvalind
