// The coordinator: launch with the saved account and the former settings,
// sign-in and its failures, the hand-over between models, and the reset with
// its failure and retry.

#include "coordinator_fixture.h"

#include "errors/api_error.h"
#include "errors/safe_error.h"
#include "runtime/cancellation.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

namespace sorvalind::test {
namespace {

using Coordinator = CoordinatorFixture;

const char* const fileFailure = "The file operation failed. Check storage space and file permissions.";

TEST_F(Coordinator, LaunchOpensTheSavedAccountOnceHoweverOftenItIsAsked) {
    saveServer(configuration());
    makeCoordinator();
    // Asked again while the first launch still makes its model, and once it runs.
    const TaskHandle first = coordinator->launch();
    const TaskHandle second = coordinator->launch();
    await(first);
    await(second);
    ASSERT_TRUE(current());
    const auto opened = current();
    drive([&] { return !opened->syncing().value(); });
    EXPECT_TRUE(coordinator->launch().isFinished());
    EXPECT_EQ(current(), opened);
    ASSERT_TRUE(opened->configuration());
    EXPECT_EQ(opened->configuration()->identity(), configuration().identity());
    EXPECT_EQ(keyringReads, 1);
    EXPECT_EQ(requests("ping"), 1u);
    EXPECT_EQ(opened->status().value(), AppModel::upToDateStatus);
    EXPECT_EQ(coordinator->startupError().value(), std::nullopt);
    EXPECT_FALSE(coordinator->connectionPresented().value());
}

TEST_F(Coordinator, AFailedLaunchShowsItsMessageAndDoesNotBlockTheNext) {
    paths.setBase("relative");
    makeCoordinator();
    launch();
    EXPECT_EQ(current(), nullptr);
    EXPECT_EQ(coordinator->startupError().value(), std::string(fileFailure));
    EXPECT_FALSE(coordinator->resetFailed().value());

    paths.setBase(dir.path() / "data");
    launch();
    ASSERT_TRUE(current());
    EXPECT_EQ(current()->configuration(), std::nullopt);
}

TEST_F(Coordinator, AnUnreadableSavedServerOpensTheUnconfiguredLibraryWithoutAMessage) {
    const std::vector<std::pair<const char*, PreferenceData>> unreadable = {
        {"not JSON", rawData("{\"url\": ")},
        {"not an object", rawData("[\"https://music.example.com\"]")},
        {"no user name", rawData("{\"url\":\"https://music.example.com\"}")},
        {"not a web address", rawData("{\"url\":\"ftp://music.example.com\",\"username\":\"alice\"}")},
        {"consent of the wrong type", rawData("{\"url\":\"https://m.example.com\",\"username\":\"a\","
                                              "\"allowInsecureHTTP\":\"yes\"}")},
    };
    for (const auto& [what, data] : unreadable) {
        SCOPED_TRACE(what);
        preferences.setData("server", data);
        makeCoordinator();
        launch();
        ASSERT_TRUE(current());
        EXPECT_EQ(current()->configuration(), std::nullopt);
        EXPECT_EQ(current()->folder(), AppModel::serverFolder(paths.applicationSupport(), std::nullopt));
        EXPECT_EQ(coordinator->startupError().value(), std::nullopt);
        EXPECT_EQ(current()->error().value(), std::nullopt);
        model = current();
        shutdown();
    }
    // Text where the data belongs is no saved server either.
    preferences.setString("server", configuration().encode().dump());
    EXPECT_EQ(AppCoordinator::savedConfiguration(preferences), std::nullopt);
    EXPECT_EQ(keyringReads, 0);
    EXPECT_EQ(requests("ping"), 0u);
}

TEST_F(Coordinator, AServerThatNeedsHTTPConsentOpensTheConnectionSettings) {
    for (const auto& [url, status] : std::vector<std::pair<const char*, const char*>>{
             {"http://192.168.1.20:4533", AppModel::consentStatus},
             {"http://music.example.com", AppModel::blockedStatus}}) {
        SCOPED_TRACE(url);
        preferences.setData(
            "server",
            saved(nlohmann::json{{"url", url}, {"username", "alice"}, {"allowInsecureHTTP", false}}));
        makeCoordinator();
        const TaskHandle launching = coordinator->launch();
        // Published before it starts, with the settings open over the running start.
        drive([&] { return current() != nullptr; });
        const auto opened = current();
        EXPECT_TRUE(coordinator->connectionPresented().value());
        EXPECT_EQ(opened->route().value(), "Settings");
        await(launching);
        // The model stopped at its consent gate: no password read, no client.
        EXPECT_EQ(opened->api(), nullptr);
        EXPECT_EQ(opened->status().value(), status);
        model = opened;
        shutdown();
    }
    EXPECT_EQ(keyringReads, 0);
    EXPECT_EQ(requests("ping"), 0u);
}

TEST(PreferenceMigration, CopiesOnlyTheMissingKeysUnchanged) {
    InMemoryPreferences into;
    InMemoryPreferences previous;
    previous.setData("server", {0x7b, 0x7d});
    previous.setString("streamingQuality", "mp3_192");
    previous.setString("downloadQuality", "mp3_320");
    previous.setBool("forceOfflineMode", true);
    into.setString("streamingQuality", "original");

    AppCoordinator::migratePreferences(into, previous);
    EXPECT_EQ(into.dataValue("server"), (PreferenceData{0x7b, 0x7d}));
    EXPECT_EQ(into.stringValue("streamingQuality"), "original");
    EXPECT_EQ(into.stringValue("downloadQuality"), "mp3_320");
    EXPECT_FALSE(into.contains("forceOfflineMode"));
    // The former domain stays as it was.
    EXPECT_EQ(previous.stringValue("streamingQuality"), "mp3_192");
    EXPECT_EQ(previous.dataValue("server"), (PreferenceData{0x7b, 0x7d}));
}

TEST_F(Coordinator, LaunchMigratesTheFormerSettingsOnlyUnderTheOwnIdentifier) {
    struct Case {
        std::string identifier;
        bool formerDomain;
        bool migrated;
    };
    for (const Case& c :
         {Case{"nl.pwelkin.sorvalind", true, true}, Case{"nl.pwelkin.sorvalind.beta", true, false},
          Case{"app.sorvalind.player", true, false}, Case{"nl.pwelkin.sorvalind", false, false}}) {
        SCOPED_TRACE(c.identifier + (c.formerDomain ? " with" : " without") + " the former domain");
        preferences.removeAll();
        domains.removePersistentDomain(std::string(legacyApplicationIdentifier));
        if (c.formerDomain) {
            Preferences& former = domains.domain(std::string(legacyApplicationIdentifier));
            former.setData("server", saved(configuration().encode()));
            former.setString("streamingQuality", "mp3_256");
        }
        AppEnvironment environment = this->environment();
        environment.applicationIdentifier = c.identifier;
        makeCoordinator(environment);
        launch();
        ASSERT_TRUE(current());
        EXPECT_EQ(current()->configuration().has_value(), c.migrated);
        EXPECT_EQ(preferences.stringValue("streamingQuality"),
                  c.migrated ? std::optional<std::string>("mp3_256") : std::nullopt);
        EXPECT_EQ(domains.hasPersistentDomain(std::string(legacyApplicationIdentifier)), c.formerDomain);
        model = current();
        shutdown();
    }
}

TEST_F(Coordinator, SignInValidatesSavesStartsAndHandsOverTheSettingsPage) {
    for (const char* route : {"Settings", "Albums"}) {
        SCOPED_TRACE(route);
        preferences.removeAll();
        makeCoordinator();
        launch();
        const auto unconfigured = current();
        unconfigured->setRoute(std::string(route));
        server->clearRequests();

        // The address as typed, with blanks around it.
        ASSERT_EQ(connect("  " + server->baseUrl() + " \n", "alice", "sesame"), nullptr);
        const auto signedIn = current();
        ASSERT_NE(signedIn, unconfigured);
        EXPECT_TRUE(unconfigured->isShuttingDown());
        EXPECT_EQ(signedIn->route().value(), std::string(route) == "Settings" ? "Settings" : "Home");
        EXPECT_EQ(signedIn->configuration()->url().absoluteString(), server->baseUrl());
        EXPECT_EQ(AppCoordinator::savedConfiguration(preferences)->identity(), configuration().identity());
        EXPECT_EQ(savedPassword(configuration().identity()), "sesame");
        EXPECT_FALSE(coordinator->isConnecting().value());
        EXPECT_FALSE(coordinator->connectionPresented().value());
        // The validated client went to the new model: no password read, one
        // validation for the sign-in and one for the first synchronisation.
        EXPECT_EQ(keyringReads, 0);
        EXPECT_NE(signedIn->api(), nullptr);
        EXPECT_FALSE(signedIn->extensions().empty());
        EXPECT_EQ(requests("ping"), 2u);
        EXPECT_EQ(signedIn->status().value(), AppModel::upToDateStatus);
        EXPECT_GT(signedIn->librarySongCount().value(), 0);
        model = signedIn;
        shutdown();
    }
}

TEST_F(Coordinator, AFailedSignInLeavesTheRunningLibraryAsItWas) {
    struct Case {
        const char* what;
        bool forcedOffline;
        std::string url;
        std::string password;
        bool badDataFolder;
        std::string message;
        bool passwordSaved;
    };
    const std::string good = server->baseUrl();
    const std::vector<Case> cases = {
        {"blank address", false, " \n\t", "sesame", false, "Enter a valid server URL and username.", false},
        {"forced offline", true, good, "sesame", false,
         "Turn off Offline Mode in Settings to connect to your server.", false},
        {"rejected credentials", false, good, "wrong", false, "", false},
        {"no data folder for the new library", false, good, "sesame", true, fileFailure, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        keychain.removeAll(std::string(CredentialStore::applicationService));
        paths.setBase(dir.path() / "data");
        saveServer(configuration());
        preferences.setBool("forceOfflineMode", c.forcedOffline);
        makeCoordinator();
        launch();
        const auto running = current();
        const auto status = running->status().value();
        if (c.badDataFolder) paths.setBase("relative");

        const auto failure = connect(c.url, "alice", c.password);
        ASSERT_NE(failure, nullptr);
        if (c.message.empty()) {
            // The server's own refusal, as the sign-in form shows it.
            EXPECT_THROW(std::rethrow_exception(failure), APIError);
        } else {
            EXPECT_EQ(messageOf(failure), c.message);
        }
        EXPECT_EQ(savedPassword(configuration().identity()).has_value(), c.passwordSaved);
        EXPECT_EQ(current(), running);
        EXPECT_FALSE(running->isShuttingDown());
        EXPECT_EQ(running->status().value(), status);
        EXPECT_FALSE(coordinator->isConnecting().value());
        model = running;
        shutdown();
    }
    // A forced-offline library that was never signed in may sign in.
    preferences.removeAll();
    preferences.setBool("forceOfflineMode", true);
    paths.setBase(dir.path() / "data");
    makeCoordinator();
    launch();
    EXPECT_EQ(connect(), nullptr);
    EXPECT_TRUE(current()->configuration());
}

TEST_F(Coordinator, ResetAndSignInExcludeEachOther) {
    makeCoordinator();
    launch();
    const auto unconfigured = current();
    // Installed for the rest of the test: the server keeps calling it.
    MethodGate ping(*server, "ping");
    {
        // A sign-in waits for the server's answer: a reset is refused quietly,
        // a second sign-in with a cancellation.
        const TaskHandle signIn = coordinator->connect(server->baseUrl(), "alice", "sesame", true);
        drive([&] { return requests("ping") == 1; });
        EXPECT_TRUE(coordinator->isConnecting().value());
        const TaskHandle refused = coordinator->reset();
        EXPECT_TRUE(refused.isFinished());
        EXPECT_FALSE(coordinator->isResetting().value());
        const auto second = connect();
        EXPECT_THROW(std::rethrow_exception(second), CancellationError);
        EXPECT_EQ(current(), unconfigured);
        ping.openAll();
        await(signIn);
    }
    const auto signedIn = current();
    ASSERT_NE(signedIn, unconfigured);
    drive([&] { return !signedIn->syncing().value(); });

    // A reset waits for the keyring: a sign-in is cancelled, a launch does nothing.
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = false;
        std::atomic<bool> reached{false};
        void pass() {
            reached = true;
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return open; });
        }
        void release() {
            {
                std::lock_guard lock(mutex);
                open = true;
            }
            changed.notify_all();
        }
        ~Gate() { release(); } // a failing check must not leave the worker waiting
    } keyringGate;
    model = signedIn; // the next coordinator starts without it
    shutdown();
    coordinator =
        AppCoordinator::create(environment(), AppResetStorage::live(paths, domains, ownApplicationIdentifier),
                               {.save = credentials().save, .removeAll = [&] {
                                    keyringGate.pass();
                                    credentialStore.removeAll();
                                }});
    launch();
    const TaskHandle reset = coordinator->reset();
    EXPECT_TRUE(coordinator->isResetting().value());
    EXPECT_EQ(current(), nullptr);
    drive([&] { return keyringGate.reached.load(); });
    const auto cancelled = connect();
    EXPECT_THROW(std::rethrow_exception(cancelled), CancellationError);
    EXPECT_TRUE(coordinator->launch().isFinished());
    EXPECT_EQ(current(), nullptr);
    keyringGate.release();
    await(reset);
    EXPECT_FALSE(coordinator->isResetting().value());
    ASSERT_TRUE(current());
    EXPECT_EQ(current()->configuration(), std::nullopt);
}

// Makes `folder` impossible to empty: read-only for an ordinary user; for
// root (which ignores permissions) immutable, where the file system allows it.
class Undeletable {
public:
    explicit Undeletable(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::ofstream(folder_ / "kept") << "x";
        if (::geteuid() != 0) {
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
            active_ = true;
        } else {
            active_ = setImmutable(true);
        }
    }
    ~Undeletable() { lift(); }
    bool active() const noexcept { return active_; }
    void lift() {
        if (!active_) return;
        if (::geteuid() != 0) {
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        } else {
            setImmutable(false);
        }
        active_ = false;
    }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    std::filesystem::path folder_;
    bool active_ = false;
};

TEST_F(Coordinator, AFolderThatCannotBeDeletedFailsTheResetAndBlocksLaunchUntilARetry) {
    saveServer(configuration());
    domains.domain(std::string(legacyApplicationIdentifier)).setString("downloadQuality", "mp3_192");
    makeCoordinator();
    launch();
    ASSERT_TRUE(current());
    const auto signedInFolder = current()->folder();
    credentialStore.save("sesame", configuration().identity());
    const auto storage = coordinator->resetStorage();
    // Data "Sorvalind", caches "Sorvalind", caches by identifier, the temporary
    // "Sorvalind", caches by the former identifier.
    ASSERT_EQ(storage.directories.size(), 5u);
    for (const auto& folder : storage.directories)
        std::filesystem::create_directories(folder);
    Undeletable stuck(storage.directories[2]);
    if (!stuck.active()) GTEST_SKIP() << "this file system lets root delete everything";

    reset();
    EXPECT_TRUE(coordinator->resetFailed().value());
    EXPECT_EQ(coordinator->startupError().value(), std::string(fileFailure));
    EXPECT_FALSE(coordinator->isResetting().value());
    EXPECT_EQ(current(), nullptr);
    // Folders before the failing one are gone, the rest and the settings stay.
    EXPECT_FALSE(std::filesystem::exists(storage.directories[0]));
    EXPECT_FALSE(std::filesystem::exists(storage.directories[1]));
    EXPECT_TRUE(std::filesystem::exists(storage.directories[3]));
    EXPECT_TRUE(domains.hasPersistentDomain(std::string(legacyApplicationIdentifier)));
    EXPECT_TRUE(preferences.contains("server"));
    EXPECT_EQ(savedPassword(configuration().identity()), std::nullopt);
    // Launch stays blocked.
    EXPECT_TRUE(coordinator->launch().isFinished());
    main.runUntilIdle();
    EXPECT_EQ(current(), nullptr);

    stuck.lift();
    const TaskHandle retry = coordinator->reset();
    EXPECT_FALSE(coordinator->resetFailed().value());
    EXPECT_EQ(coordinator->startupError().value(), std::nullopt);
    await(retry);
    ASSERT_TRUE(current());
    EXPECT_EQ(current()->configuration(), std::nullopt);
    EXPECT_FALSE(coordinator->resetFailed().value());
    for (std::size_t i = 1; i < storage.directories.size(); ++i)
        EXPECT_FALSE(std::filesystem::exists(storage.directories[i])) << storage.directories[i];
    EXPECT_FALSE(std::filesystem::exists(signedInFolder));
    EXPECT_FALSE(domains.hasPersistentDomain(std::string(legacyApplicationIdentifier)));
    EXPECT_FALSE(preferences.contains("server"));
    // The unconfigured library is the only one left.
    EXPECT_EQ(current()->folder(), AppModel::serverFolder(paths.applicationSupport(), std::nullopt));
    launch();
    EXPECT_EQ(current()->configuration(), std::nullopt);
}

TEST_F(Coordinator, WithoutADataFolderTheResetDeletesNothing) {
    // A desktop that names no data or cache folder: the names would be
    // relative to the working directory, where a "Sorvalind" folder waits.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    std::filesystem::create_directories(dir.path() / "Sorvalind");
    paths.setBase("");
    makeCoordinator();
    credentialStore.save("sesame", configuration().identity());
    reset();
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(coordinator->resetFailed().value());
    EXPECT_EQ(coordinator->startupError().value(), std::string(fileFailure));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Sorvalind"));
    // Nothing else went either: the list is checked before the first deletion.
    EXPECT_EQ(savedPassword(configuration().identity()), "sesame");
    EXPECT_EQ(current(), nullptr);
}

TEST_F(Coordinator, AnOldLibraryThatFailsToCloseDoesNotUndoTheSignIn) {
    makeCoordinator();
    launch();
    const auto unconfigured = current();
    // The old store's queue ends before the store is closed: its shutdown fails.
    dynamic_cast<ThreadExecutor&>(unconfigured->repository().executor()).shutdown();

    ASSERT_EQ(connect(), nullptr);
    const auto signedIn = current();
    ASSERT_NE(signedIn, unconfigured);
    EXPECT_TRUE(unconfigured->isShuttingDown());
    // The new library is published, saved and running, and says what went wrong.
    EXPECT_EQ(signedIn->error().value(), std::string("The operation was cancelled."));
    EXPECT_EQ(AppCoordinator::savedConfiguration(preferences)->identity(), configuration().identity());
    EXPECT_NE(signedIn->api(), nullptr);
    EXPECT_EQ(signedIn->status().value(), AppModel::upToDateStatus);
    EXPECT_FALSE(coordinator->isConnecting().value());
}

TEST_F(Coordinator, ShowSettingsClearsTheSearchAndOpensTheSettingsPage) {
    makeCoordinator();
    coordinator->showSettings(); // no model yet: nothing to do
    launch();
    current()->setQuery("abba");
    coordinator->showSettings();
    EXPECT_EQ(current()->query().value(), "");
    EXPECT_EQ(current()->route().value(), "Settings");
    EXPECT_EQ(current()->backRoutes().value(), (std::vector<std::string>{"Home"}));
}

TEST(ResetStorage, NamesTheDesktopFoldersAndDomains) {
    FakeAppPaths paths("/home/u/.local/share");
    InMemoryPreferenceDomains domains;
    const auto storage = AppResetStorage::live(paths, domains, "nl.pwelkin.sorvalind");
    const std::filesystem::path base = "/home/u/.local/share";
    EXPECT_EQ(storage.directories,
              (std::vector<std::filesystem::path>{
                  base / "Sorvalind", base / "cache" / "Sorvalind", base / "cache" / "nl.pwelkin.sorvalind",
                  base / "tmp" / "Sorvalind", base / "cache" / "app.sorvalind.player"}));
    EXPECT_EQ(storage.preferenceDomains,
              (std::vector<std::string>{"nl.pwelkin.sorvalind", "app.sorvalind.player"}));
    EXPECT_EQ(storage.preferences, &domains);
    EXPECT_EQ(AppResetStorage::live(paths, domains, "").directories[2], base / "cache" / "Sorvalind");
}

} // namespace
} // namespace sorvalind::test
