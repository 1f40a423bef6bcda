#pragma once
// A model wired to real parts: the loopback fake server, a real store in a
// temporary folder, the real download manager and engine, a manual main
// actor on a virtual clock and a small worker pool; the desktop services and
// the playback and artwork seams are recording fakes.

#include "model_fakes.h"

#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "model/app_model.h"
#include "runtime/async_call.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "services/in_memory_preferences.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace sorvalind::test {

// Holds every answer of one method until the test releases it. The held
// handlers share the gate's state, so a request the client gave up on may
// still leave the gate after the test dropped it.
class MethodGate {
public:
    MethodGate(loopback::FakeSubsonicServer& server, const std::string& method) {
        auto standard = server.method(method);
        server.setMethod(
            method, [state = state_, standard](const loopback::FakeRequest& request, httplib::Response& res) {
                {
                    std::unique_lock lock(state->mutex);
                    const int index = state->arrived++;
                    state->changed.wait(lock, [&] { return state->released > index || state->open; });
                }
                standard(request, res);
            });
    }
    ~MethodGate() { openAll(); }
    void releaseOne() {
        {
            std::lock_guard lock(state_->mutex);
            ++state_->released;
        }
        state_->changed.notify_all();
    }
    void openAll() {
        {
            std::lock_guard lock(state_->mutex);
            state_->open = true;
        }
        state_->changed.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        int arrived = 0;
        int released = 0;
        bool open = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

struct AppModelFixture : ::testing::Test {
    std::unique_ptr<loopback::FakeSubsonicServer> server = std::make_unique<loopback::FakeSubsonicServer>();
    TempDir dir;
    VirtualClock clock;
    ManualExecutor main{clock};
    WorkerPool workers{3, "model-test"};
    InMemoryPreferences preferences;
    FakeAppPaths paths{dir.path() / "data"};
    ScriptedPaths network;
    RecordingPasteboard pasteboard;
    RecordingWorkspace workspace;
    std::vector<std::string> events;
    std::shared_ptr<PlaybackLog> playback = std::make_shared<PlaybackLog>();
    std::shared_ptr<ArtworkLog> artwork = std::make_shared<ArtworkLog>();

    // The keyring: answers `password`, or throws `failure`; a closed gate
    // holds every read until it opens.
    std::mutex keyringMutex;
    std::condition_variable keyringChanged;
    bool keyringGated = false;
    std::exception_ptr keyringFailure;
    std::string password = "sesame";
    std::atomic<int> keyringReads{0};
    std::atomic<bool> lastReadInteractive{false};

    std::shared_ptr<AppModel> model;

    AppModelFixture() {
        playback->events = &events;
        artwork->events = &events;
    }

    void TearDown() override {
        openKeyring();
        if (model && !model->isShuttingDown()) shutdown();
    }

    void useServer(loopback::FakeSubsonicServer::Options options) {
        server = std::make_unique<loopback::FakeSubsonicServer>(std::move(options));
    }

    ServerConfiguration configuration() const {
        return ServerConfiguration(server->baseUrl(), "alice", true);
    }

    AppEnvironment environment() {
        AppEnvironment environment{
            .mainActor = main,
            .workers = workers,
            .wallClock = clock.wall(),
            .makeSession = [] { return NetworkSecurity::session(); },
            .credentialLoader = [this](const std::string& account,
                                       bool interactive) { return readKeyring(account, interactive); },
            .preferences = preferences,
            .paths = paths,
            .makePathMonitor = [this] { return network.make(); },
            .pasteboard = pasteboard,
            .workspace = workspace,
            .makePlayback = {},
            .makeArtwork = {},
        };
        environment.makePlayback = [log = playback](LibraryRepository&, Preferences&) {
            return std::make_unique<RecordingPlayback>(log);
        };
        environment.makeArtwork = [log = artwork](const std::filesystem::path&) {
            return std::make_unique<RecordingArtwork>(log);
        };
        return environment;
    }

    std::string readKeyring(const std::string&, bool interactive) {
        ++keyringReads;
        lastReadInteractive = interactive;
        std::unique_lock lock(keyringMutex);
        keyringChanged.wait(lock, [&] { return !keyringGated; });
        if (keyringFailure) std::rethrow_exception(keyringFailure);
        return password;
    }
    void openKeyring() {
        {
            std::lock_guard lock(keyringMutex);
            keyringGated = false;
        }
        keyringChanged.notify_all();
    }

    void drive(const std::function<bool()>& done) { ASSERT_TRUE(main.runUntil(done)); }
    void await(const TaskHandle& task) {
        drive([&] { return task.isFinished(); });
    }

    // Makes the model; a failure of make() fails the test.
    void make(AppEnvironment environment, std::optional<ServerConfiguration> configuration) {
        std::optional<Outcome<std::shared_ptr<AppModel>>> made;
        AppModel::make(std::move(environment), std::move(configuration),
                       [&](auto outcome) { made = std::move(outcome); });
        drive([&] { return made.has_value(); });
        model = std::move(*made).get();
    }
    void make(std::optional<ServerConfiguration> configuration) {
        make(environment(), std::move(configuration));
    }
    void makeConfigured() { make(configuration()); }

    // Starts it and waits for the first synchronisation, if any, to end.
    void start() {
        await(model->start());
        drive([&] { return !model->syncing().value(); });
    }

    void shutdown() {
        auto done = model->shutdown();
        await(done);
    }

    // Runs `fn(repository)` on the store's queue and returns its result.
    template <class Fn> auto onStore(Fn fn) {
        using R = std::invoke_result_t<Fn&, LibraryRepository&>;
        std::optional<Outcome<R>> result;
        runOn(
            model->repository().executor(), main, [&, fn]() mutable { return fn(model->repository()); },
            [&](Outcome<R> outcome) { result = std::move(outcome); });
        drive([&] { return result.has_value(); });
        if constexpr (!std::is_void_v<R>)
            return std::move(*result).get();
        else
            result->get();
    }

    // Stores the playlist "pl-twice" ("Twice"): `song` twice around `between`.
    void storeSongListedTwice(const Song& song, const Song& between) {
        Playlist playlist;
        playlist.id = "pl-twice";
        playlist.name = "Twice";
        playlist.entry = std::vector<Song>{song, between, song};
        onStore([playlist](LibraryRepository& repository) { repository.savePlaylist(playlist); });
    }

    std::size_t requests(const std::string& method) const { return server->requestCount(method); }
};

} // namespace sorvalind::test
