#pragma once
// A coordinator and its models on the GUI thread, wired to real parts: the
// loopback server, real stores in a temporary folder, real playback
// controllers on a silent real-time output, a real credential store on an
// in-memory keyring, the GUI event loop as the main actor. The keyring can
// be locked: reads then fail as a locked desktop keyring does.
//
// GUI thread only. Shuts the coordinator's model down when it goes.

#include "app_model/coordinator_fixture.h"

#include "model/app_coordinator.h"
#include "platform/qt_main_actor.h"
#include "runtime/thread_executor.h"
#include "support/recording_now_playing.h"

#include <atomic>
#include <memory>
#include <string>

namespace sorvalind::test {

class GuiModelWorld {
public:
    explicit GuiModelWorld(
        loopback::FakeLibrary::Shape library = {
            .artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 3, .playlists = 1, .songsPerPlaylist = 2});
    ~GuiModelWorld();
    GuiModelWorld(const GuiModelWorld&) = delete;
    GuiModelWorld& operator=(const GuiModelWorld&) = delete;

    AppCoordinator& coordinator() { return *coordinator_; }
    const std::shared_ptr<AppCoordinator>& sharedCoordinator() const { return coordinator_; }
    std::shared_ptr<AppModel> current() const { return coordinator_->model().value(); }
    loopback::FakeSubsonicServer& server() { return *server_; }
    Executor& mainActor() { return main_; }

    // Each waits for the coordinator's work and the first synchronisation;
    // false when it did not end (or the sign-in failed).
    bool launch();
    bool connect(const std::string& password = "sesame");
    bool reset();
    // A new coordinator over the same settings and keyring, as at the next
    // start of the program (the current model is shut down first); not yet
    // launched.
    void restart();
    // Makes the per-server folders impossible to create, so that opening a
    // model fails.
    void blockDataFolder();

    // Reads of the keyring fail as a locked one does while set.
    void setKeyringLocked(bool locked) { keyringLocked_ = locked; }
    int keyringReads() const { return keyringReads_; }
    bool lastReadInteractive() const { return lastReadInteractive_; }

    // Gives the next models the real cover-art cache over the loopback
    // server (else they have none). Before launch() only.
    void enableCoverArt();

    // A song of the loopback library that plays (one second of sound).
    Song playableSong(const std::string& id);

private:
    std::string readKeyring(const std::string& account, bool interactive);
    void makeCoordinator();
    bool await(const TaskHandle& task);

    std::unique_ptr<loopback::FakeSubsonicServer> server_;
    TempDir dir_;
    QtMainActor main_;
    WorkerPool workers_{5, "gui-test"};
    SerialQueue audio_{"gui-test-audio"};
    InMemoryPreferences preferences_;
    FixtureDomains domains_{preferences_, std::string(ownApplicationIdentifier)};
    FakeAppPaths paths_{dir_.path() / "data"};
    ScriptedPaths network_;
    RecordingPasteboard pasteboard_;
    RecordingWorkspace workspace_;
    RecordingNowPlayingCenter nowPlaying_;
    RecordingRemoteCommandCenter commands_;
    MemoryKeychain keychain_;
    CredentialStore credentialStore_{keychain_, CredentialStore::Build::application};
    bool coverArt_ = false;
    std::atomic<bool> keyringLocked_{false};
    std::atomic<int> keyringReads_{0};
    std::atomic<bool> lastReadInteractive_{false};
    std::shared_ptr<AppCoordinator> coordinator_;
};

} // namespace sorvalind::test
