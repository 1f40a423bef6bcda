// Loading the library pages from the store: what the first and later loads
// read and publish, overlapping loads, a store failure, the song index and
// the completion of pages opened from links.

#include "app_model_fixture.h"

#include <future>

namespace sorvalind::test {
namespace {

struct Loading : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        ASSERT_EQ(model->status().value(), "Library up to date");
        stored = onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
        ASSERT_EQ(stored.size(), 24u);
    }
    std::promise<void> holdStore() {
        std::promise<void> hold;
        model->repository().executor().post([held = hold.get_future().share()] { held.wait(); });
        return hold;
    }
    std::vector<std::string> ids(const AppModel::SongList& songs) const { return songIDs(*songs); }

    std::vector<Song> stored;
};

TEST_F(Loading, TheFirstLoadReadsEveryListAndALaterOneOnlyTheCounters) {
    // The first load at start, on "Home": no song list, everything else.
    EXPECT_TRUE(model->songs().value()->empty());
    EXPECT_EQ(model->songsRevision().value(), 0);
    EXPECT_EQ(model->albums().value()->size(), 6u);
    EXPECT_EQ(model->artists().value()->size(), 3u);
    EXPECT_EQ(model->playlists().value().size(), 2u);
    EXPECT_EQ(model->librarySongCount().value(), 24);
    EXPECT_EQ(model->featuredAlbumLibrary().value(), model->albums().value());
    EXPECT_FALSE(model->loading().value());

    model->setRoute("Songs");
    await(model->load());
    EXPECT_EQ(model->songs().value()->size(), 24u);
    EXPECT_EQ(model->songsRevision().value(), 1);
    EXPECT_EQ(model->loadedSongRoute(), "Songs");
    // Look-ups go through the index.
    ASSERT_NE(model->song(stored[5].id), nullptr);
    EXPECT_EQ(*model->song(stored[5].id), stored[5]);
    EXPECT_EQ(model->song("missing"), nullptr);

    // Nothing changed: a closed store shows that nothing but the counters is read.
    const auto songs = model->songs().value();
    const auto albums = model->albums().value();
    onStore([](LibraryRepository& repository) { repository.close(); });
    await(model->load());
    EXPECT_EQ(model->error().value(), std::nullopt);
    EXPECT_EQ(model->songs().value(), songs);
    EXPECT_EQ(model->albums().value(), albums);
    EXPECT_EQ(model->songsRevision().value(), 1);
    // Leaving for a page without songs publishes an empty list without reading.
    model->setRoute("Albums");
    await(model->load());
    EXPECT_EQ(model->error().value(), std::nullopt);
    EXPECT_TRUE(model->songs().value()->empty());
    EXPECT_EQ(model->songsRevision().value(), 2);
}

TEST_F(Loading, RoutesReadTheirOwnSongs) {
    const Song& song = stored.front();
    // A search on an album page searches every song, not the album's.
    const auto matching = onStore([&](LibraryRepository& repository) {
                              return repository.songs(song.title, SongSort::title);
                          }).size();
    ASSERT_GT(matching, 4u);
    struct Case {
        std::string route;
        std::string query;
        std::size_t expected;
    };
    for (const Case& c : {Case{"album:" + *song.albumId, "", 4}, Case{"artist:" + *song.artistId, "", 8},
                          Case{"Favorites", "", 0}, Case{"Search", "", 0},
                          Case{"album:" + *song.albumId, song.title, matching}}) {
        SCOPED_TRACE(c.route + " / " + c.query);
        model->setQuery(c.query);
        model->setRoute(c.route);
        await(model->load());
        EXPECT_EQ(model->songs().value()->size(), c.expected);
        EXPECT_EQ(model->loadedSongRoute(),
                  c.query.empty() ? (c.route == "Search" ? std::nullopt : std::optional(c.route))
                                  : std::optional<std::string>("Search"));
    }
    // The banner keeps choosing from the whole library during a search.
    onStore([](LibraryRepository& repository) {
        repository.edit(repository.albums("", AlbumSort::artist).front(), "favorite", 1);
    });
    await(model->load());
    EXPECT_LT(model->albums().value()->size(), 6u);
    EXPECT_EQ(model->featuredAlbumLibrary().value()->size(), 6u);
}

TEST_F(Loading, AnOverlappedLoadPublishesNothing) {
    model->setRoute("Songs");
    const auto revision = model->songsRevision().value();
    auto hold = holdStore();
    auto earlier = model->load();
    main.runUntilIdle();
    const Song& song = stored.front();
    model->setRoute("album:" + *song.albumId);
    auto later = model->load();
    main.runUntilIdle();
    hold.set_value();
    await(earlier);
    await(later);
    EXPECT_FALSE(model->loading().value());
    EXPECT_EQ(model->songsRevision().value(), revision + 1);
    EXPECT_EQ(model->songs().value()->size(), 4u);
}

TEST_F(Loading, AStoreFailureIsReportedAndLeavesTheLists) {
    const auto albums = model->albums().value();
    onStore([](LibraryRepository& repository) { repository.close(); });
    model->setRoute("Songs");
    await(model->load());
    EXPECT_EQ(model->error().value(), "The local library operation failed. Please try again.");
    EXPECT_FALSE(model->loading().value());
    EXPECT_TRUE(model->songs().value()->empty());
    EXPECT_EQ(model->albums().value(), albums);
    EXPECT_EQ(model->songsRevision().value(), 0);
    EXPECT_EQ(model->loadedSongRoute(), std::nullopt);
}

TEST_F(Loading, ASongListedTwiceHasTwoPositions) {
    storeSongListedTwice(stored[0], stored[1]);
    model->setRoute("playlist:pl-twice");
    await(model->load());
    EXPECT_EQ(ids(model->songs().value()),
              (std::vector<std::string>{stored[0].id, stored[1].id, stored[0].id}));
    ASSERT_NE(model->songPositions(stored[0].id), nullptr);
    EXPECT_EQ(*model->songPositions(stored[0].id), (std::vector<std::size_t>{0, 2}));
}

TEST_F(Loading, APageOpenedFromALinkStaysListed) {
    model->showSongDetailDestination(SongDetailDestination::album("al-gone", "Gone"));
    model->showArtist(Artist::make("ar-gone", "Nobody"));
    model->setRoute("album:al-gone");
    await(model->load());
    // The album list changes: the fresh list lacks the album, which is kept at its end.
    onStore([album = model->albums().value()->front()](LibraryRepository& repository) {
        repository.edit(album, "favorite", 1);
    });
    await(model->load());
    EXPECT_EQ(model->albums().value()->back().id, "al-gone");
    EXPECT_EQ(model->albums().value()->size(), 7u);
    model->setRoute("artist:ar-gone");
    onStore([song = stored.front()](LibraryRepository& repository) { repository.edit(song, "favorite", 1); });
    await(model->load());
    EXPECT_EQ(model->artists().value()->back().id, "ar-gone");
}

} // namespace
} // namespace sorvalind::test
