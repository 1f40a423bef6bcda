// Automatic downloads of the favourite songs: the request that makes a
// second run free, the quality switch, and the token that stops a run whose
// settings changed under it.

#include "app_model_fixture.h"

#include <future>

namespace sorvalind::test {
namespace {

struct FavoriteDownloads : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        // Queued jobs stay queued: nothing is transferred here.
        model->setForceOfflineMode(true);
        stored = onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
        ASSERT_GE(stored.size(), 3u);
    }
    void favorite(const Song& song) {
        onStore([song](LibraryRepository& repository) { repository.edit(song, "favorite", 1); });
    }
    std::set<std::string> jobs() const {
        std::set<std::string> ids;
        for (const auto& job : model->downloads().jobs().value())
            ids.insert(job.id());
        return ids;
    }
    // Holds the store's queue until the returned promise is set.
    std::promise<void> holdStore() {
        std::promise<void> hold;
        model->repository().executor().post([held = hold.get_future().share()] { held.wait(); });
        return hold;
    }

    std::vector<Song> stored;
};

TEST_F(FavoriteDownloads, FavouritesAreQueuedOnceInTheFavouriteQuality) {
    favorite(stored[0]);
    model->setAutomaticallyDownloadFavorites(true);
    EXPECT_EQ(preferences.boolValue("automaticallyDownloadFavorites"), true);
    drive([&] { return !jobs().empty(); });
    EXPECT_EQ(jobs(), (std::set<std::string>{stored[0].id + ":original"}));

    // Nothing changed: the run ends at once, without asking the store.
    EXPECT_TRUE(model->updateFavoriteDownloads().isFinished());

    // A new favourite moves the songs counter; the next page load queues it.
    favorite(stored[1]);
    await(model->load());
    EXPECT_EQ(jobs(), (std::set<std::string>{stored[0].id + ":original", stored[1].id + ":original"}));

    // Another quality queues them all again and keeps the earlier jobs.
    model->setFavoriteDownloadQuality(DownloadQuality::mp3_256);
    EXPECT_EQ(preferences.stringValue("favoriteDownloadQuality"), "mp3_256");
    drive([&] { return jobs().size() == 4; });
    EXPECT_TRUE(jobs().count(stored[1].id + ":mp3_256"));
}

TEST_F(FavoriteDownloads, ARunWhoseSettingsChangedUnderItQueuesNothing) {
    favorite(stored[0]);
    model->setAutomaticallyDownloadFavorites(true);
    drive([&] { return !jobs().empty(); });

    favorite(stored[1]);
    auto hold = holdStore();
    auto run = model->updateFavoriteDownloads();
    main.runUntilIdle();
    model->setAutomaticallyDownloadFavorites(false);
    hold.set_value();
    await(run);
    main.runUntilIdle();
    EXPECT_EQ(jobs().size(), 1u);

    // Shutting down replaces the token as well.
    model->setAutomaticallyDownloadFavorites(true);
    await(model->updateFavoriteDownloads());
    favorite(stored[2]);
    bool queuedLate = false;
    auto watching = model->downloads().jobs().subscribe([&](const std::vector<DownloadJob>& jobs) {
        for (const auto& job : jobs)
            queuedLate = queuedLate || job.song.id == stored[2].id;
    });
    hold = holdStore();
    run = model->updateFavoriteDownloads();
    auto stopped = model->shutdown();
    hold.set_value();
    await(run);
    await(stopped);
    EXPECT_FALSE(queuedLate);
}

} // namespace
} // namespace sorvalind::test
