#pragma once
// A playback controller over real parts: a library store in a temporary
// folder, the loopback fake server with generated audio, the audio pipeline
// on an engine in the manual rendering mode (the test renders), in-memory
// settings and recording now-playing and remote-command services. The test
// thread is the main actor.

#include "audio/audio_engine.h"
#include "audio/offline_output.h"
#include "http/network_security.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"
#include "playback/audio_pipeline.h"
#include "playback/playback_controller.h"
#include "runtime/async_call.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "server/server_configuration.h"
#include "services/in_memory_preferences.h"
#include "support/drive_until.h"
#include "support/paths.h"
#include "support/recording_now_playing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace sorvalind::testing {

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest();
    ~ControllerTest() override;

    // A controller on this fixture's services (a second one stands for the
    // next start of the program).
    std::shared_ptr<PlaybackController> makeController();
    // Shuts the controller down and waits for it.
    void shutDown(const std::shared_ptr<PlaybackController>& target);

    // Runs the main actor until the last reload and save have ended.
    void settle();
    // Runs the main actor until `done` holds, rendering audio meanwhile.
    void playUntil(const std::function<bool()>& done);

    // A song served by the fake server: `seconds` of a tone, as FLAC (the
    // original) and as a 128 kbit/s MP3 (the transcoded stream).
    Song servedSong(const std::string& id, double seconds = 4, std::string suffix = "flac");
    // A song with the given duration that no request reaches.
    static Song plainSong(const std::string& id, std::optional<double> duration = 200);

    // The store, from the test thread (the main actor may not call it).
    template <class F> auto onStore(F f) { return callSync(workers, std::move(f)); }
    std::optional<std::string> stored(const std::string& key) {
        return onStore([&] { return repository->state(key); });
    }
    void record(const Song& song, DownloadQuality quality, const std::filesystem::path& path);

    std::vector<std::string> songIDs(const std::vector<QueueEntry>& entries) const;
    std::vector<std::string> upcomingIDs() const { return songIDs(controller->queue().value().upcoming()); }
    std::string currentID() const;

    loopback::FakeSubsonicServer server;
    test::TempDir dir;
    VirtualClock clock;
    ManualExecutor main{clock};
    WorkerPool workers{2, "ctl-test"};
    std::unique_ptr<LibraryRepository> repository;
    InMemoryPreferences preferences;
    RecordingNowPlayingCenter nowPlaying;
    RecordingRemoteCommandCenter commands;
    std::shared_ptr<APIClient> api;
    // The engine's output, for device changes; the engine owns it.
    OfflineOutput* output = nullptr;
    std::shared_ptr<AudioEngine> engine;
    std::shared_ptr<AudioPipeline> pipeline;
    std::shared_ptr<PlaybackController> controller;
};

} // namespace sorvalind::testing
