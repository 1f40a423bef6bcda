// Online and offline on the virtual clock: the debounce of the path monitor
// and the client's answers, the forced switch, the probe, the client change
// and what playback and downloads are handed.

#include "app_model_fixture.h"

#include "errors/url_error.h"

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

struct Connectivity : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        ASSERT_EQ(model->status().value(), "Library up to date");
    }
    void path(bool available) {
        network.report(available);
        main.runUntilIdle();
    }
    bool offline() const { return model->isOffline().value(); }
};

TEST_F(Connectivity, ALossMustLastTenSecondsAndARecoveryTwo) {
    path(false);
    clock.advance(9s);
    EXPECT_FALSE(offline());
    path(true);
    clock.advance(20s);
    EXPECT_FALSE(offline()); // a loss under 10 s is ignored

    path(false);
    clock.advance(9s);
    EXPECT_FALSE(offline());
    clock.advance(1s);
    EXPECT_TRUE(offline());
    EXPECT_EQ(model->status().value(), "Offline · downloaded music available");
    EXPECT_EQ(playback->configured.back(), nullptr);
    EXPECT_TRUE(playback->availability.back().first);
    // No path, no probe.
    clock.advance(30s);
    EXPECT_EQ(requests("ping"), 1u);

    const auto syncs = requests("getOpenSubsonicExtensions");
    path(true);
    clock.advance(1s);
    EXPECT_TRUE(offline());
    clock.advance(1s);
    EXPECT_FALSE(offline());
    EXPECT_EQ(playback->configured.back(), model->api());
    // Coming back starts a synchronisation.
    drive([&] { return requests("getOpenSubsonicExtensions") == syncs + 1 && !model->syncing().value(); });
    EXPECT_EQ(model->status().value(), "Library up to date");
}

TEST_F(Connectivity, ForcedOfflineCutsTheClientAtOnceAndIgnoresTheConnection) {
    model->setForceOfflineMode(true);
    EXPECT_TRUE(offline());
    EXPECT_EQ(preferences.boolValue("forceOfflineMode"), true);
    EXPECT_FALSE(model->api()->isNetworkAccessEnabled());
    EXPECT_EQ(model->status().value(), "Offline · downloaded music available");

    // A transient error shows its message but does not move the debounce.
    model->reportError(std::make_exception_ptr(URLError(URLError::networkConnectionLost)));
    EXPECT_EQ(model->error().value(),
              "The network connection is unavailable. Your local library is still available.");
    EXPECT_TRUE(model->offlineState().connectionAvailable());
    // Path changes still move it.
    path(false);
    EXPECT_FALSE(model->offlineState().connectionAvailable());
    path(true);
    clock.advance(5s);

    const auto syncs = requests("getOpenSubsonicExtensions");
    model->setForceOfflineMode(false);
    EXPECT_FALSE(offline());
    EXPECT_TRUE(model->api()->isNetworkAccessEnabled());
    drive([&] { return requests("getOpenSubsonicExtensions") == syncs + 1 && !model->syncing().value(); });
}

TEST_F(Connectivity, OfflineMidSyncLeadsToExactlyOneNewSync) {
    MethodGate gate(*server, "ping");
    const auto pings = requests("ping");
    const auto syncs = requests("getOpenSubsonicExtensions");
    model->refresh();
    drive([&] { return requests("ping") == pings + 1; });

    model->setForceOfflineMode(true);
    model->setForceOfflineMode(false);
    EXPECT_TRUE(model->refreshAfterCancellation());
    gate.openAll();
    drive([&] { return requests("getOpenSubsonicExtensions") == syncs + 1 && !model->syncing().value(); });
    main.runUntilIdle();
    clock.advance(1s);
    EXPECT_EQ(requests("getOpenSubsonicExtensions"), syncs + 1);
    EXPECT_EQ(model->status().value(), "Library up to date");
}

TEST_F(Connectivity, GoingOfflineDuringASyncKeepsTheOfflineStatus) {
    MethodGate gate(*server, "ping");
    const auto pings = requests("ping");
    model->refresh();
    drive([&] { return requests("ping") == pings + 1; });
    model->setForceOfflineMode(true);
    gate.openAll();
    drive([&] { return !model->syncing().value(); });
    EXPECT_EQ(model->status().value(), "Offline · downloaded music available");
    EXPECT_EQ(model->error().value(), std::nullopt);
}

TEST_F(Connectivity, TheProbeBringsTheConnectionBackAndClearsItsOwnError) {
    // A transient failure reported by a view: the connection counts as lost.
    model->reportError(std::make_exception_ptr(URLError(URLError::cannotConnectToHost)));
    const auto message = model->error().value();
    ASSERT_TRUE(message);
    EXPECT_FALSE(model->offlineState().connectionAvailable());
    const auto pings = requests("ping");
    clock.advance(4s);
    EXPECT_EQ(requests("ping"), pings);
    clock.advance(1s); // the fifth tick probes
    drive([&] { return model->offlineState().connectionAvailable(); });
    await(model->connectionProbe());
    EXPECT_EQ(requests("ping"), pings + 1);
    EXPECT_EQ(model->error().value(), std::nullopt);
    clock.advance(20s);
    EXPECT_FALSE(offline());

    // Another message stays when the connection comes back.
    model->reportError(std::make_exception_ptr(URLError(URLError::timedOut)));
    model->reportError(std::make_exception_ptr(std::runtime_error("other")));
    clock.advance(5s);
    drive([&] { return model->offlineState().connectionAvailable(); });
    EXPECT_EQ(model->error().value(), "The operation failed. Please try again.");
}

TEST_F(Connectivity, AViewsOwnMessageOutlivesARecoveredConnection) {
    const std::string folderMessage = "The download folder could not be opened.";
    const auto recover = [&] {
        clock.advance(5s);
        drive([&] { return model->offlineState().connectionAvailable(); });
        await(model->connectionProbe());
    };
    // Shown over a connection error: the recovery leaves it.
    model->reportError(std::make_exception_ptr(URLError(URLError::cannotConnectToHost)));
    model->showError(folderMessage);
    recover();
    EXPECT_EQ(model->error().value(), folderMessage);

    // Dismissing clears whichever message stands, the connection's too.
    model->clearError();
    EXPECT_EQ(model->error().value(), std::nullopt);
    model->reportError(std::make_exception_ptr(URLError(URLError::cannotConnectToHost)));
    model->clearError();
    EXPECT_EQ(model->error().value(), std::nullopt);
    model->showError(folderMessage);
    recover();
    EXPECT_EQ(model->error().value(), folderMessage);
}

TEST_F(Connectivity, AReplacedClientNoLongerMovesTheModel) {
    const auto old = model->api();
    const auto lateFailure = old->onConnectionFailure();
    ASSERT_TRUE(lateFailure);
    auto replacement =
        std::make_shared<APIClient>(configuration(), "sesame", main, NetworkSecurity::session());
    model->setApi(replacement);
    EXPECT_EQ(old->onConnectionFailure(), nullptr);
    EXPECT_EQ(old->onValidResponse(), nullptr);
    lateFailure(); // a callback already on its way
    EXPECT_TRUE(model->offlineState().connectionAvailable());
    replacement->onConnectionFailure()();
    EXPECT_FALSE(model->offlineState().connectionAvailable());
}

TEST_F(Connectivity, OfflineOnlyDownloadedSongsAreAvailable) {
    const Song song = Song::make("s1", "One");
    EXPECT_TRUE(model->isSongAvailable(song));
    model->setForceOfflineMode(true);
    EXPECT_FALSE(model->isSongAvailable(song));
}

TEST_F(Connectivity, AModelWithoutAClientNeverProbes) {
    shutdown();
    make(std::nullopt);
    start();
    const auto pings = requests("ping");
    model->reportError(std::make_exception_ptr(URLError(URLError::cannotConnectToHost)));
    clock.advance(10s);
    EXPECT_TRUE(offline());
    clock.advance(30s);
    EXPECT_EQ(requests("ping"), pings);
    path(false);
    path(true);
    clock.advance(2s);
    EXPECT_FALSE(offline());
}

} // namespace
} // namespace sorvalind::test
