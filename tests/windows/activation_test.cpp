// Coming back to the front: never at the first state, one silent unlock of
// a locked saved login before the playlists are fetched again, and no unlock
// of a model that is shutting down.

#include "windows_fixture.h"

#include "kit/window_activity.h"
#include "model/app_model.h"

namespace sorvalind::test {
namespace {

class Activation : public WindowsFixture {
protected:
    std::size_t playlistFetches() { return world.server().requestCount("getPlaylists"); }

    void comeBack() {
        windows->activity().observe(Qt::ApplicationInactive);
        windows->activity().observe(Qt::ApplicationActive);
    }

    // A saved login that the keyring keeps locked at the next start.
    void startLocked() {
        launch();
        signIn();
        world.setKeyringLocked(true);
        windows.reset();
        world.restart();
        makeWindows();
        launch();
        ASSERT_TRUE(world.current()->credentialsLocked().value());
    }
};

TEST_F(Activation, TheFirstStateIsNoReturnAndEachReturnFetchesThePlaylists) {
    launch();
    signIn();
    const std::size_t before = playlistFetches();
    const int reads = world.keyringReads();
    windows->activity().observe(Qt::ApplicationActive);
    settle();
    EXPECT_EQ(playlistFetches(), before);

    comeBack();
    ASSERT_TRUE(waitUntil([&] { return playlistFetches() == before + 1; }));
    comeBack();
    ASSERT_TRUE(waitUntil([&] { return playlistFetches() == before + 2; }));
    EXPECT_EQ(world.keyringReads(), reads) << "a signed-in model reads no password";
}

TEST_F(Activation, ALockedLoginIsUnlockedOnceWithoutAPromptThenThePlaylistsAreFetched) {
    startLocked();
    AppModel& model = *world.current();
    const int reads = world.keyringReads();
    const std::size_t before = playlistFetches();
    world.setKeyringLocked(false);

    windows->activity().observe(Qt::ApplicationActive); // the first state: nothing
    comeBack();
    ASSERT_TRUE(waitUntil([&] { return !model.credentialsLocked().value() && playlistFetches() > before; }));
    EXPECT_EQ(world.keyringReads(), reads + 1);
    EXPECT_FALSE(world.lastReadInteractive());
}

TEST_F(Activation, AModelShuttingDownIsNotUnlocked) {
    startLocked();
    std::shared_ptr<AppModel> model = world.current();
    const int reads = world.keyringReads();
    const TaskHandle shutdown = model->shutdown();
    ASSERT_TRUE(model->isShuttingDown());
    windows->activity().observe(Qt::ApplicationActive);
    comeBack();
    ASSERT_TRUE(waitUntil([&] { return shutdown.isFinished(); }));
    settle();
    EXPECT_EQ(world.keyringReads(), reads);
}

} // namespace
} // namespace sorvalind::test
