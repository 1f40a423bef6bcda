// The synchronisation driver: its guards, status texts and capability
// checks, failures and a refused edit, the page-reload throttle, and the
// single-flight statistics read.

#include "app_model_fixture.h"

#include "errors/database_error.h"

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

using SyncDriver = AppModelFixture;

TEST_F(SyncDriver, TranscodedSeekingNeedsVersionOneOfTheExtension) {
    struct Case {
        std::vector<std::pair<std::string, std::vector<int>>> extensions;
        bool openSubsonic;
        bool expected;
    };
    for (const Case& c :
         {Case{{{"transcodeOffset", {2}}}, true, false}, Case{{{"transcodeOffset", {2, 1}}}, true, true},
          Case{{{"formPost", {1}}}, true, false}, Case{{}, false, false}}) {
        loopback::FakeSubsonicServer::Options options;
        options.extensions = c.extensions;
        options.openSubsonic = c.openSubsonic;
        options.unknownMethodIs404 = !c.openSubsonic;
        options.shareRole = c.expected;
        useServer(options);
        makeConfigured();
        start();
        EXPECT_EQ(model->status().value(), "Library up to date");
        EXPECT_EQ(playback->transcodeOffset, c.expected);
        EXPECT_EQ(model->supportsSharing().value(), c.expected);
        EXPECT_TRUE(model->connected().value());
        shutdown();
    }
}

TEST_F(SyncDriver, RefreshDoesNothingWhenItCannotRun) {
    makeConfigured();
    start();
    const auto syncs = requests("ping");

    model->refresh();
    EXPECT_EQ(model->status().value(), "Connecting…");
    model->refresh(); // already running
    drive([&] { return !model->syncing().value(); });
    EXPECT_EQ(requests("ping"), syncs + 1);

    model->setForceOfflineMode(true);
    model->refresh();
    EXPECT_FALSE(model->syncing().value());
    EXPECT_EQ(model->status().value(), "Offline · downloaded music available");
    model->setForceOfflineMode(false);
    drive([&] { return !model->syncing().value(); });

    shutdown();
    const auto status = model->status().value();
    model->refresh();
    EXPECT_FALSE(model->syncing().value());
    EXPECT_EQ(model->status().value(), status);

    make(std::nullopt);
    start();
    model->refresh();
    EXPECT_FALSE(model->syncing().value());
    EXPECT_EQ(model->status().value(), "Your music, close at hand");
}

TEST_F(SyncDriver, AFailedValidationLeavesTheLocalLibrary) {
    makeConfigured();
    start();
    const auto songs = model->librarySongCount().value();
    server->injectFault(loopback::FakeFault::status(500), 1, "ping");
    model->refresh();
    drive([&] { return !model->syncing().value(); });
    EXPECT_FALSE(model->connected().value());
    EXPECT_EQ(model->status().value(), "Offline · local library available");
    EXPECT_EQ(model->error().value(), "The server returned HTTP 500.");
    EXPECT_EQ(model->librarySongCount().value(), songs);

    // The next good answer says so.
    model->refresh();
    drive([&] { return !model->syncing().value(); });
    EXPECT_EQ(model->status().value(), "Library up to date");
    EXPECT_TRUE(model->connected().value());
}

TEST_F(SyncDriver, ARefusedEditIsReportedAndTheLibraryStillMirrored) {
    makeConfigured();
    start();
    const auto stored =
        onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
    ASSERT_FALSE(stored.empty());
    onStore([song = stored.front()](LibraryRepository& repository) { repository.edit(song, "favorite", 1); });
    server->injectFault(loopback::FakeFault::subsonicError(50), 1, "star");
    const auto pages = requests("search3");
    model->refresh();
    drive([&] { return !model->syncing().value(); });
    EXPECT_TRUE(model->error().value().has_value());
    EXPECT_GT(requests("search3"), pages);
    EXPECT_EQ(model->status().value(), "Library up to date");
    EXPECT_EQ(onStore([](LibraryRepository& repository) { return repository.pendingEdits(); }).size(), 1u);
}

TEST_F(SyncDriver, ProgressReloadsThePageAtMostEveryFifteenSeconds) {
    loopback::FakeSubsonicServer::Options options;
    options.library = {
        .artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 600, .playlists = 0, .songsPerPlaylist = 0};
    useServer(options);
    MethodGate pages(*server, "search3");
    // The first run waits here for the test: held before it starts.
    keyringGated = true;
    makeConfigured();
    int loads = 0;
    auto counting = model->loading().subscribe([&](bool loading) { loads += loading ? 1 : 0; });
    auto started = model->start();
    drive([&] { return keyringReads == 1; });
    openKeyring();
    await(started);
    const int before = loads;
    const auto settle = [&](std::size_t requested) {
        drive([&] { return requests("search3") == requested; });
        drive([&] { return !model->loading().value() && main.pending() == 0; });
    };

    settle(1); // "Playlists up to date": the first report reloads
    EXPECT_EQ(loads, before + 1);
    clock.advance(1s);
    pages.releaseOne(); // 500 songs, 1 s later: no reload
    settle(2);
    EXPECT_EQ(loads, before + 1);
    clock.advance(15s);
    pages.releaseOne(); // 100 more, 16 s after the first reload
    settle(3);
    EXPECT_EQ(loads, before + 2);
    EXPECT_EQ(model->librarySongCount().value(), 600);
    clock.advance(1s);
    pages.releaseOne();
    drive([&] { return !model->syncing().value() && !model->loading().value(); });
    EXPECT_EQ(loads, before + 3); // the end of the run reloads once more
    EXPECT_EQ(model->status().value(), "Library up to date");
}

TEST_F(SyncDriver, StatisticsCallsDuringOneReadMakeOneMoreRead) {
    make(std::nullopt);
    start();
    int reads = 0;
    auto counting =
        model->statistics().subscribe([&](const auto& statistics) { reads += statistics ? 1 : 0; });

    // Hold the store while the calls arrive.
    std::promise<void> hold;
    auto held = hold.get_future().share();
    model->repository().executor().post([held] { held.wait(); });
    model->loadStatistics();
    EXPECT_TRUE(model->statisticsLoading().value());
    model->loadStatistics();
    model->loadStatistics();
    model->loadStatistics();
    hold.set_value();
    drive([&] { return !model->statisticsLoading().value(); });
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(model->statisticsError().value(), std::nullopt);

    // A failed read keeps the last statistics.
    onStore([](LibraryRepository& repository) { repository.close(); });
    model->loadStatistics();
    drive([&] { return !model->statisticsLoading().value(); });
    EXPECT_EQ(model->statisticsError().value(), "The local library operation failed. Please try again.");
    EXPECT_TRUE(model->statistics().value().has_value());
}

} // namespace
} // namespace sorvalind::test
