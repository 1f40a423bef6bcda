// Making, starting and shutting down a model: the per-server folder, what
// the initialiser reads, the order of start(), the saved login and shutdown.

#include "app_model_fixture.h"

#include "errors/credential_error.h"
#include "errors/database_error.h"

#include <fstream>

namespace sorvalind::test {
namespace {

using Lifecycle = AppModelFixture;

TEST(ServerFolder, IsNamedByTheIdentityExactlyAsSaved) {
    const std::filesystem::path base = "/home/u/.local/share";
    const auto folder = [&](std::string url, std::string user) {
        return AppModel::serverFolder(base, ServerConfiguration(url, user, true));
    };
    EXPECT_EQ(AppModel::serverFolder(base, std::nullopt),
              base / "Sorvalind" / "80c00e100ce65521a6f3b4df0e0de367d660ec7c45dd44698e1149d01fe50729");
    EXPECT_EQ(folder("http://127.0.0.1:4533", "alice"), folder("http://127.0.0.1:4533", "alice"));
    for (const auto& [url, user] :
         std::vector<std::pair<std::string, std::string>>{{"http://127.0.0.1:4533/", "alice"},
                                                          {"http://127.0.0.1:4533", "Alice"},
                                                          {"http://127.0.0.1:4534", "alice"}})
        EXPECT_NE(folder(url, user), folder("http://127.0.0.1:4533", "alice")) << url << " " << user;
    const auto name = folder("http://127.0.0.1:4533", "alice").filename().string();
    EXPECT_EQ(name.size(), 64u);
    EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST(ServerFolder, RefusesAnEmptyOrRelativeBase) {
    for (const std::filesystem::path& base :
         {std::filesystem::path(), std::filesystem::path("relative/data")})
        EXPECT_THROW(AppModel::serverFolder(base, std::nullopt), std::filesystem::filesystem_error) << base;
}

TEST_F(Lifecycle, MakeFailsWithoutAnAbsoluteDataFolder) {
    paths.setBase("data");
    std::optional<Outcome<std::shared_ptr<AppModel>>> made;
    AppModel::make(environment(), std::nullopt, [&](auto outcome) { made = std::move(outcome); });
    drive([&] { return made.has_value(); });
    EXPECT_THROW(made->get(), std::filesystem::filesystem_error);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data"));
}

TEST_F(Lifecycle, MakeHandsBackTheStoresOpeningFailure) {
    // A folder where the database file should be: the store cannot open it.
    std::filesystem::create_directories(AppModel::serverFolder(paths.applicationSupport(), std::nullopt) /
                                        "Library.sqlite");
    std::optional<Outcome<std::shared_ptr<AppModel>>> made;
    AppModel::make(environment(), std::nullopt, [&](auto outcome) { made = std::move(outcome); });
    drive([&] { return made.has_value(); });
    EXPECT_THROW(made->get(), DatabaseError);
}

TEST_F(Lifecycle, AnUnconfiguredModelLivesInItsOwnFolderAndReadsNoPassword) {
    make(std::nullopt);
    const auto folder = AppModel::serverFolder(paths.applicationSupport(), std::nullopt);
    EXPECT_EQ(model->folder(), folder);
    EXPECT_TRUE(std::filesystem::exists(folder / "Library.sqlite"));
    start();
    EXPECT_EQ(keyringReads, 0);
    EXPECT_EQ(model->api(), nullptr);
    EXPECT_EQ(model->status().value(), "Your music, close at hand");
    EXPECT_EQ(playback->restores, 1);
    EXPECT_EQ(network.made, 1); // connectivity is watched all the same
}

TEST_F(Lifecycle, TheInitialiserReadsAndMendsThePreferences) {
    struct Case {
        std::optional<std::string> stored;
        DownloadQuality expected;
    };
    for (const Case& c :
         {Case{std::nullopt, DownloadQuality::original}, Case{"mp3_999", DownloadQuality::original},
          Case{"mp3_256", DownloadQuality::mp3_256}}) {
        if (c.stored)
            preferences.setString("downloadQuality", *c.stored);
        else
            preferences.remove("downloadQuality");
        preferences.setString("favoriteDownloadQuality", c.stored.value_or("original"));
        make(std::nullopt);
        EXPECT_EQ(model->downloadQuality().value(), c.expected);
        EXPECT_EQ(model->favoriteDownloadQuality().value(), c.expected);
        // Written back at every construction, a bad value as "original".
        EXPECT_EQ(preferences.stringValue("downloadQuality"), std::string(c.expected.rawValue()));
        shutdown();
    }
    preferences.setBool("forceOfflineMode", true);
    preferences.setBool("automaticallyDownloadFavorites", true);
    make(std::nullopt);
    EXPECT_TRUE(model->forceOfflineMode().value());
    EXPECT_TRUE(model->isOffline().value());
    EXPECT_TRUE(model->automaticallyDownloadFavorites().value());
}

TEST_F(Lifecycle, StartFromASavedConfigurationSignsInAndSynchronises) {
    makeConfigured();
    start();
    EXPECT_EQ(keyringReads, 1);
    EXPECT_FALSE(lastReadInteractive);
    ASSERT_NE(model->api(), nullptr);
    EXPECT_EQ(model->status().value(), "Library up to date");
    EXPECT_TRUE(model->connected().value());
    EXPECT_GT(model->librarySongCount().value(), 0);
    // Playback got the client and the offline flag.
    ASSERT_FALSE(playback->configured.empty());
    EXPECT_EQ(playback->configured.back(), model->api());
    EXPECT_EQ(events.front(), "playback.restore");

    // The refresh loop runs every 900 s.
    const auto runs = requests("getOpenSubsonicExtensions");
    clock.advance(std::chrono::seconds(899));
    EXPECT_EQ(requests("getOpenSubsonicExtensions"), runs);
    clock.advance(std::chrono::seconds(1));
    drive([&] { return requests("getOpenSubsonicExtensions") == runs + 1 && !model->syncing().value(); });
}

TEST_F(Lifecycle, TheHTTPConsentGateStopsStartBeforeThePassword) {
    struct Case {
        std::string url;
        bool optIn;
        const char* status;
        const char* error;
    };
    const char* blocked = "HTTP is only allowed for localhost or a private network IP address, including "
                          "Tailscale IPs. Use HTTPS for "
                          "public servers and hostnames, or enter the server’s private IP.";
    const char* consent =
        "HTTPS is recommended. To use HTTP, explicitly allow the unencrypted connection in the "
        "connection dialog.";
    for (const Case& c : {Case{"http://192.168.1.20:4533", false, AppModel::consentStatus, consent},
                          Case{"http://music.example.com", false, AppModel::blockedStatus, blocked},
                          Case{"http://music.example.com", true, AppModel::blockedStatus, blocked}}) {
        SCOPED_TRACE(c.url);
        events.clear();
        const int madeBefore = network.made;
        make(ServerConfiguration::decode(
            nlohmann::json{{"url", c.url}, {"username", "alice"}, {"allowInsecureHTTP", c.optIn}}));
        start();
        EXPECT_EQ(model->status().value(), c.status);
        EXPECT_EQ(model->error().value(), std::string(c.error));
        EXPECT_EQ(keyringReads, 0);
        EXPECT_EQ(model->api(), nullptr);
        EXPECT_TRUE(playback->configured.empty());
        EXPECT_EQ(network.made, madeBefore + 1);
        shutdown();
    }
}

TEST_F(Lifecycle, AMissingLoginIsReportedALockedOneOnlyShown) {
    struct Case {
        int status;
        bool missing;
        const char* line;
    };
    for (const Case& c : {Case{CredentialError::itemNotFound, true, AppModel::missingStatus},
                          Case{-25308, false, AppModel::lockedStatus}}) {
        SCOPED_TRACE(c.status);
        keyringFailure = std::make_exception_ptr(CredentialError::status(c.status));
        makeConfigured();
        start();
        EXPECT_EQ(model->api(), nullptr);
        EXPECT_EQ(model->credentialsMissing().value(), c.missing);
        EXPECT_EQ(model->credentialsLocked().value(), !c.missing);
        EXPECT_EQ(model->status().value(), c.line);
        EXPECT_EQ(model->error().value().has_value(), c.missing);
        shutdown();
    }
}

TEST_F(Lifecycle, UnlockingALockedLoginReadsOnceAndReconnects) {
    keyringFailure = std::make_exception_ptr(CredentialError::status(-25308));
    makeConfigured();
    start();
    ASSERT_TRUE(model->credentialsLocked().value());
    const int reads = keyringReads;

    // A failed unlock always shows its message.
    await(model->unlockSavedLogin(true));
    EXPECT_TRUE(model->error().value().has_value());
    EXPECT_EQ(keyringReads, reads + 1);

    keyringFailure = nullptr;
    {
        std::lock_guard lock(keyringMutex);
        keyringGated = true;
    }
    auto first = model->unlockSavedLogin(true);
    auto second = model->unlockSavedLogin(true);
    EXPECT_TRUE(second.isFinished());
    EXPECT_TRUE(model->unlockingCredentials().value());
    openKeyring();
    await(first);
    EXPECT_EQ(keyringReads, reads + 2);
    EXPECT_TRUE(lastReadInteractive);
    ASSERT_NE(model->api(), nullptr);
    EXPECT_FALSE(model->credentialsLocked().value());
    EXPECT_FALSE(model->unlockingCredentials().value());
    EXPECT_EQ(model->error().value(), std::nullopt);
    drive([&] { return !model->syncing().value(); });
    EXPECT_EQ(model->status().value(), "Library up to date");

    // With a client, the window's activation hook changes nothing.
    const auto client = model->api();
    await(model->unlockSavedLogin(false));
    EXPECT_EQ(model->api(), client);
    EXPECT_EQ(keyringReads, reads + 2);
}

TEST_F(Lifecycle, UnlockWithoutAConfigurationDoesNothing) {
    make(std::nullopt);
    start();
    await(model->unlockSavedLogin(true));
    EXPECT_EQ(keyringReads, 0);
    EXPECT_FALSE(model->unlockingCredentials().value());
}

TEST_F(Lifecycle, ShutdownDuringTheKeyringReadLeavesNothingRunning) {
    keyringGated = true;
    makeConfigured();
    auto started = model->start();
    drive([&] { return keyringReads == 1; });
    auto stopped = model->shutdown();
    await(stopped);
    EXPECT_NO_THROW(stopped.whenFinished(main, [](const Outcome<void>& outcome) { outcome.get(); }));
    openKeyring();
    await(started);
    EXPECT_EQ(model->api(), nullptr);
    clock.advance(std::chrono::seconds(2000));
    main.runUntilIdle();
    EXPECT_EQ(requests("ping"), 0u);
    EXPECT_EQ(model->status().value(), "Your music, close at hand");
}

TEST_F(Lifecycle, ShutdownCutsTheClientOffAndClosesTheStoreLast) {
    makeConfigured();
    start();
    const auto client = model->api();
    shutdown();
    EXPECT_FALSE(client->isNetworkAccessEnabled());
    EXPECT_EQ(client->onValidResponse(), nullptr);
    EXPECT_EQ(model->api(), nullptr);
    EXPECT_EQ(events,
              (std::vector<std::string>{"playback.restore", "artwork.shutdown", "playback.shutdown"}));
    EXPECT_THROW(onStore([](LibraryRepository& repository) { return repository.songCount(); }),
                 DatabaseError);
    // A refresh or a load after shutdown does nothing.
    model->refresh();
    EXPECT_FALSE(model->syncing().value());
    await(model->load());
}

TEST_F(Lifecycle, TheBackfillPreparesEachAlbumCoverOnce) {
    make(configuration());
    std::filesystem::create_directories(model->folder() / "Audio");
    for (int i = 0; i < 10; ++i) {
        DownloadRecord record;
        record.song = Song::make("s" + std::to_string(i), "Song", std::nullopt, "al-1");
        record.song.coverArt = "cover-1";
        record.path = (model->folder() / "Audio" / ("s" + std::to_string(i) + ".flac")).string();
        std::ofstream(record.path) << "audio";
        record.bytes = 5;
        onStore([record](LibraryRepository& repository) { repository.saveDownload(record); });
    }
    start();
    drive([&] { return !artwork->requests.empty(); });
    main.runUntilIdle();
    EXPECT_EQ(artwork->requests, (std::vector<std::pair<std::string, bool>>{{"cover-1", true}}));
    EXPECT_EQ(model->downloadedSongIDs().value().size(), 10u);
    EXPECT_EQ(playback->availability.back().second.size(), 10u);

    // Playback's artwork comes from the same cache, with the same client.
    std::optional<std::string> cover;
    const auto keep = [&](const ArtworkBytes& bytes) {
        cover = bytes ? std::optional<std::string>(std::string(bytes->begin(), bytes->end())) : std::nullopt;
    };
    Song song = Song::make("s1", "Song");
    playback->artworkProvider(song, keep);
    EXPECT_EQ(cover, std::nullopt);
    song.coverArt = "cover-2";
    playback->artworkProvider(song, keep);
    EXPECT_EQ(cover, "cover:cover-2");
}

} // namespace
} // namespace sorvalind::test
