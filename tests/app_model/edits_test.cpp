// Favourites and ratings: the store first, one queue for every edit, the
// song list patched in place (or the song removed from the favourites page),
// the push when online, a load cut by an edit and a failing edit.

#include "app_model_fixture.h"

#include <future>
#include <sqlite3.h>

namespace sorvalind::test {
namespace {

struct Edits : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        stored = onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
        ASSERT_GE(stored.size(), 3u);
        for (const Song& song : stored)
            ASSERT_FALSE(song.starred);
    }
    void settle() {
        await(model->metadataEditTask());
        main.runUntilIdle();
    }
    std::optional<Song> storedSong(const std::string& id) {
        for (const Song& song : onStore([](LibraryRepository& r) { return r.songs("", SongSort::title); }))
            if (song.id == id) return song;
        return std::nullopt;
    }
    std::vector<std::string> ids() const { return songIDs(*model->songs().value()); }
    std::promise<void> holdStore() {
        std::promise<void> hold;
        model->repository().executor().post([held = hold.get_future().share()] { held.wait(); });
        return hold;
    }
    // Any edit of song `id` is refused by the store.
    void refuseEditsOf(const std::string& id) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((model->folder() / "Library.sqlite").c_str(), &db), SQLITE_OK);
        const std::string sql = "CREATE TRIGGER refuse BEFORE INSERT ON edits WHEN NEW.song_id = '" + id +
                                "' BEGIN SELECT RAISE(ABORT, 'refused'); END";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    std::vector<Song> stored;
};

TEST_F(Edits, TwoFavouritesOfOneCopyBothMarkAndArePushedOnlyOnline) {
    model->setForceOfflineMode(true);
    std::vector<Song> told;
    auto subscription =
        model->songMetadataChanges().subscribe([&](const Song& song) { told.push_back(song); });

    // The toggle comes from the copy passed, not from the store.
    const Song copy = stored[0];
    model->favorite(copy);
    model->favorite(copy);
    settle();
    ASSERT_TRUE(storedSong(copy.id)->starred);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_TRUE(told[1].starred);
    const auto pending = onStore([](LibraryRepository& r) { return r.pendingEdits(); });
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].value, 1);
    // Offline nothing is sent; online the edit goes out.
    EXPECT_EQ(requests("star"), 0u);
    model->setForceOfflineMode(false);
    main.runUntilIdle();
    model->rate(stored[1], 4);
    drive([&] { return requests("setRating") == 1 && requests("star") == 1; });
    EXPECT_EQ(storedSong(stored[1].id)->userRating, 4);
    EXPECT_FALSE(model->error().value());
}

TEST_F(Edits, UnmarkingLeavesOnlyAnUnfilteredFavouritesPageAndPatchesEveryOtherRow) {
    storeSongListedTwice(stored[0], stored[1]);

    struct Case {
        std::string route;
        bool search;
        bool removed;
    };
    for (const Case& c : {Case{"Favorites", false, true}, Case{"Favorites", true, false},
                          Case{"playlist:pl-twice", false, false}, Case{"Songs", false, false}}) {
        SCOPED_TRACE(c.route + (c.search ? " with a search" : ""));
        onStore([song = stored[0]](LibraryRepository& r) { r.edit(song, "favorite", 1); });
        model->setQuery(c.search ? stored[0].title : "");
        model->setRoute(c.route);
        await(model->load());
        const auto before = ids();
        const auto positions = *model->songPositions(stored[0].id);
        ASSERT_FALSE(positions.empty());
        const Song starred = (*model->songs().value())[positions.front()];
        ASSERT_TRUE(starred.starred);
        const auto revision = model->songsRevision().value();

        model->favorite(starred);
        settle();
        if (c.removed) {
            EXPECT_EQ(model->songPositions(stored[0].id), nullptr);
            EXPECT_EQ(ids().size(), before.size() - 1);
            EXPECT_EQ(model->songsRevision().value(), revision + 1);
        } else {
            EXPECT_EQ(ids(), before);
            EXPECT_EQ(model->songsRevision().value(), revision);
            for (std::size_t position : positions)
                EXPECT_FALSE((*model->songs().value())[position].starred);
        }
        // The patched page is current: another load reads no songs again.
        const auto shown = model->songs().value();
        await(model->load());
        EXPECT_EQ(model->songs().value(), shown);
    }
}

TEST_F(Edits, AnEditDuringALoadDropsItsResultAndLoadsAgain) {
    model->setRoute("Songs");
    await(model->load());
    // The load reads the store before the edit writes it; its stale result
    // must not overwrite the patch.
    onStore([song = stored[2]](LibraryRepository& r) { r.edit(song, "rating", 1); });
    auto hold = holdStore();
    auto running = model->load();
    drive([&] { return model->loading().value(); });
    model->rate(stored[2], 5);
    hold.set_value();
    await(running);
    settle();
    drive([&] { return !model->loading().value(); });
    main.runUntilIdle();
    ASSERT_NE(model->song(stored[2].id), nullptr);
    EXPECT_EQ(model->song(stored[2].id)->userRating, 5);
    EXPECT_FALSE(model->loading().value());
}

TEST_F(Edits, AFailingEditIsShownAndTheNextOneRuns) {
    model->setForceOfflineMode(true);
    refuseEditsOf(stored[0].id);
    model->favorite(stored[0]);
    model->favorite(stored[1]);
    settle();
    ASSERT_TRUE(model->error().value());
    EXPECT_FALSE(storedSong(stored[0].id)->starred);
    EXPECT_TRUE(storedSong(stored[1].id)->starred);
}

TEST_F(Edits, AlbumAndArtistEditsUpdateTheirDetailPages) {
    const Album album = model->albums().value()->front();
    model->showSongDetailDestination(SongDetailDestination::album(album.id, album.name));
    await(model->load());
    model->setForceOfflineMode(true);
    model->favorite(album);
    model->rate(model->artists().value()->front(), 3);
    settle();
    const auto albums = onStore([](LibraryRepository& r) { return r.albums("", AlbumSort::artist); });
    const auto found =
        std::find_if(albums.begin(), albums.end(), [&](const Album& a) { return a.id == album.id; });
    ASSERT_NE(found, albums.end());
    EXPECT_TRUE(found->starred);
    const auto artists = model->artists().value();
    EXPECT_EQ(artists->front().userRating, 3);
}

} // namespace
} // namespace sorvalind::test
