#include "errors/api_error.h"
#include "runtime/cancellation.h"
#include "sync_fixture.h"

#include <future>
#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

struct PlaylistRefreshTest : SyncTest {
    void SetUp() override { startServer(libraryOf(3, 2, 4)); }

    std::vector<std::string> storedNames() {
        std::vector<std::string> names;
        for (const Playlist& playlist : repository->playlists())
            names.push_back(playlist.name);
        return names;
    }
    void rename(const std::string& id, const std::string& name) {
        server->withLibrary([&](loopback::FakeLibrary& library) { library.playlists.at(id)["name"] = name; });
    }
};

TEST_F(PlaylistRefreshTest, ReplacesTheStoredPlaylistsWithTheirEntries) {
    engine->refreshPlaylists(*client);
    EXPECT_EQ(repository->playlists().size(), 2u);
    EXPECT_EQ(repository->playlistSongs("pl-1").size(), 3u);

    server->withLibrary([](loopback::FakeLibrary& library) { library.playlists.erase("pl-2"); });
    engine->refreshPlaylists(*client);
    ASSERT_EQ(repository->playlists().size(), 1u);
    EXPECT_EQ(repository->playlists().front().id, "pl-1");

    server->withLibrary([](loopback::FakeLibrary& library) { library.playlists.clear(); });
    const auto before = repository->revisions().playlists;
    engine->refreshPlaylists(*client);
    EXPECT_TRUE(repository->playlists().empty());
    EXPECT_GT(repository->revisions().playlists, before);
}

// The first of two refreshes is answered last: only the second stores, and
// the first returns without error.
TEST_F(PlaylistRefreshTest, OnlyTheLatestOfTwoRefreshesStores) {
    rename("pl-1", "Old");
    server->injectFault(loopback::FakeFault::stalled(), 1, "getPlaylist");
    auto first = std::async(std::launch::async, [this] { engine->refreshPlaylists(*client); });
    while (server->requestCount("getPlaylist") == 0)
        std::this_thread::sleep_for(1ms);

    rename("pl-1", "New");
    engine->refreshPlaylists(*client);
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"New", "Playlist 2"}));

    server->releaseStalled();
    first.get();
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"New", "Playlist 2"}));
}

TEST_F(PlaylistRefreshTest, AFailureOrCancellationKeepsTheStoredPlaylists) {
    engine->refreshPlaylists(*client);
    const std::vector<std::string> before = storedNames();
    rename("pl-1", "Renamed");

    server->injectFault(loopback::FakeFault::subsonicError(70), 1, "getPlaylist");
    EXPECT_THROW(engine->refreshPlaylists(*client), APIError);
    EXPECT_EQ(storedNames(), before);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(engine->refreshPlaylists(*client, stop.get_token()), CancellationError);
    EXPECT_EQ(storedNames(), before);

    // A run whose playlist refresh fails stops before its first page.
    server->injectFault(loopback::FakeFault::status(503), 1, "getPlaylists");
    server->clearRequests();
    EXPECT_THROW(sync(), APIError);
    EXPECT_EQ(server->requestCount("search3"), 0u);
    EXPECT_TRUE(progress.reports().empty());
}

} // namespace
} // namespace sorvalind::test
