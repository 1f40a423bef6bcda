#include "errors/api_error.h"
#include "support/locale_environment.h"
#include "sync_fixture.h"

#include <future>
#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

// 80 artists, 300 albums and 1,200 songs.
loopback::FakeSubsonicServer::Options workedExample() {
    loopback::FakeSubsonicServer::Options options = SyncTest::libraryOf(80, 4, 4);
    return options;
}

struct SyncRunTest : SyncTest {
    void SetUp() override {
        startServer(workedExample());
        server->withLibrary([](loopback::FakeLibrary& library) {
            library.albums.resize(300);
            library.songs.resize(1200);
        });
    }
};

TEST_F(SyncRunTest, MirrorsTheLibraryInPagesOf500WithTheirProgress) {
    sync();

    std::vector<std::vector<std::string>> pages;
    for (const loopback::FakeRequest& request : server->requests())
        if (request.restMethod == "search3")
            pages.push_back({request.param("artistOffset").value(), request.param("albumOffset").value(),
                             request.param("songOffset").value(), request.param("artistCount").value(),
                             request.param("albumCount").value(), request.param("songCount").value()});
    const std::vector<std::vector<std::string>> expected = {
        {"0", "0", "0", "500", "500", "500"},
        {"80", "300", "500", "500", "500", "500"},
        {"80", "300", "1000", "500", "500", "500"},
        {"80", "300", "1200", "500", "500", "500"},
    };
    EXPECT_EQ(pages, expected);
    // Playlists come before the first page.
    EXPECT_EQ(server->requests().front().restMethod, "getPlaylists");

    const std::vector<SyncProgress> reports = {
        {0, 0, 0, "Playlists up to date"},       {80, 300, 500, "Indexing 500 songs"},
        {80, 300, 1000, "Indexing 1,000 songs"}, {80, 300, 1200, "Indexing 1,200 songs"},
        {80, 300, 1200, "Library up to date"},
    };
    EXPECT_EQ(progress.reports(), reports);
    EXPECT_EQ(repository->songCount(), 1200);
    EXPECT_EQ(repository->albums("", AlbumSort::title).size(), 300u);
    EXPECT_EQ(repository->artists("").size(), 80u);
    EXPECT_EQ(repository->playlists().size(), 2u);
    EXPECT_FALSE(repository->state("syncCheckpoint"));
    EXPECT_TRUE(repository->state("lastSync"));
}

TEST_F(SyncRunTest, CountsFollowTheUsersLocaleAndStayPlainInTheCLocale) {
    LocaleEnvironment locale;
    struct Case {
        const char* lang;
        const char* thousand;
    };
    for (const Case& c : {Case{"de_DE.UTF-8", "Indexing 1.000 songs"}, Case{"C", "Indexing 1000 songs"},
                          Case{"en_GB.UTF-8", "Indexing 1,000 songs"}}) {
        LocaleEnvironment::set("LC_ALL", c.lang);
        // An engine without a locale reads the user's.
        SyncEngine userEngine(*repository, mainActor, wall);
        progress.clear();
        userEngine.refresh(*client, progress.callback());
        EXPECT_EQ(progress.messages().at(2), c.thousand) << c.lang;
    }
}

TEST_F(SyncRunTest, AnEmptyLibraryFinishesAtOnceAndDeletesEverything) {
    sync();
    ASSERT_EQ(repository->songCount(), 1200);
    server->withLibrary([](loopback::FakeLibrary& library) {
        library.artists.clear();
        library.albums.clear();
        library.songs.clear();
    });
    progress.clear();
    sync();

    EXPECT_EQ(repository->songCount(), 0);
    EXPECT_TRUE(repository->albums("", AlbumSort::title).empty());
    EXPECT_TRUE(repository->artists("").empty());
    EXPECT_EQ(progress.messages(), (std::vector<std::string>{"Playlists up to date", "Library up to date"}));
}

TEST_F(SyncRunTest, ASecondSyncDropsWhatTheServerNoLongerHas) {
    sync();
    server->withLibrary([](loopback::FakeLibrary& library) { library.songs.resize(700); });
    sync();
    EXPECT_EQ(repository->songCount(), 700);
    EXPECT_FALSE(repository->song("so-701"));
    EXPECT_TRUE(repository->song("so-700"));
}

TEST_F(SyncRunTest, ARepeatedPageEndsTheRunAfterStoringItOnce) {
    // The second request is answered as if it asked for the first page again.
    wrap("search3",
         [](int call, const loopback::FakeRequest& request, httplib::Response& res, const auto& original) {
             loopback::FakeRequest asked = request;
             if (call == 2)
                 for (QueryItem& item : asked.params)
                     if (item.name.ends_with("Offset")) item.value = "0";
             original(asked, res);
         });

    try {
        sync();
        FAIL() << "no pagination error";
    } catch (const APIError& error) {
        EXPECT_EQ(error.kind(), APIError::Case::pagination);
    }
    EXPECT_EQ(repository->songCount(), 500);
    ASSERT_TRUE(checkpoint());
    EXPECT_EQ(checkpoint()->songs, 500);
    EXPECT_EQ(checkpoint()->albums, 300);
    EXPECT_EQ(progress.messages().back(), "Indexing 500 songs");
}

// The run waits on the server without holding the engine: a second refresh
// returns at once, and playlists and edits go through meanwhile.
TEST_F(SyncRunTest, ARunWaitingForTheServerLeavesTheEngineFree) {
    server->injectFault(loopback::FakeFault::stalled(), 1, "search3");
    auto run = std::async(std::launch::async, [this] { sync(); });
    while (server->requestCount("search3") == 0)
        std::this_thread::sleep_for(1ms);

    ProgressLog second(mainActor);
    engine->refresh(*client, second.callback());
    EXPECT_TRUE(second.reports().empty());
    EXPECT_EQ(server->requestCount("search3"), 1u);

    const std::size_t playlistFetches = server->requestCount("getPlaylists");
    engine->refreshPlaylists(*client);
    EXPECT_EQ(server->requestCount("getPlaylists"), playlistFetches + 1);

    ASSERT_TRUE(repository->edit(Album::make("al-1", "Album"), "favorite", 1).starred);
    engine->pushEdits(*client);
    EXPECT_TRUE(repository->pendingEdits().empty());
    EXPECT_EQ(server->requestCount("star"), 1u);

    EXPECT_EQ(run.wait_for(0s), std::future_status::timeout);
    server->releaseStalled();
    run.get();
    EXPECT_EQ(repository->songCount(), 1200);
    // Once it has ended, the next refresh runs.
    engine->refresh(*client, second.callback());
    EXPECT_EQ(second.messages().back(), "Library up to date");
}

} // namespace
} // namespace sorvalind::test
