// The desktop environment on an isolated profile with a silent output: a
// real sign-in to the demo server through the coordinator it assembles, a
// synchronised library and a song that plays on the controller the model
// exposes; and quitting mid-song, after which the next start on the same
// profile brings back the queue and the saved position. Qt's offscreen platform;
// no session bus is needed.

#include "loopback/demo_library.h"
#include "playback/playback_controller.h"
#include "shell/desktop_environment.h"
#include "shell/quit_controller.h"
#include "shell/temporary_profile.h"

#include <gtest/gtest.h>

#include "offscreen_application.h"

#include <QApplication>
#include <QElapsedTimer>

#include <functional>
#include <future>
#include <unistd.h>

namespace sorvalind::test {
namespace {

bool pumpUntil(const std::function<bool()>& done, int milliseconds = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct DesktopEnvironmentTest : ::testing::Test {
    static void SetUpTestSuite() { offscreenApplication(); }

    TemporaryProfile profile;
    std::unique_ptr<loopback::FakeSubsonicServer> server = loopback::startDemoServer(profile.scratch());

    static std::unique_ptr<DesktopEnvironment> makeDesktop() {
        return std::make_unique<DesktopEnvironment>(DesktopOptions{
            .isolatedProfile = true,
            .silent = true,
            .mprisServiceName = QStringLiteral("org.mpris.MediaPlayer2.sorvalind.test%1").arg(::getpid())});
    }
    // Signs in to the demo server and waits for the synchronised library.
    std::shared_ptr<AppModel> signIn(AppCoordinator& coordinator) {
        coordinator.launch();
        EXPECT_TRUE(pumpUntil([&] { return coordinator.model().value() != nullptr; }));
        coordinator.connect(server->baseUrl(), loopback::DemoLogin::user, loopback::DemoLogin::password,
                            true);
        EXPECT_TRUE(pumpUntil([&] {
            const auto& model = coordinator.model().value();
            return model && model->configuration() && model->status().value() == "Library up to date";
        }));
        return coordinator.model().value();
    }
    static Song storedSong(AppModel& model, const std::string& id) {
        std::promise<std::optional<Song>> stored;
        model.repository().executor().post([&] { stored.set_value(model.repository().song(id)); });
        std::optional<Song> song = stored.get_future().get();
        if (!song) throw std::runtime_error("no song " + id);
        return *song;
    }
    static bool shutDown(AppModel& model, Executor& main) {
        bool ended = false;
        model.shutdown().whenFinished(main, [&](const Outcome<void>&) { ended = true; });
        return pumpUntil([&] { return ended; });
    }
};

TEST_F(DesktopEnvironmentTest, SignsInSyncsAndPlaysOnTheIsolatedProfile) {
    // The profile is the process's: nothing lands in the user's folders.
    EXPECT_EQ(std::string(std::getenv("XDG_DATA_HOME")), (profile.root() / "data").string());
    auto desktop = makeDesktop();
    EXPECT_EQ(DesktopEnvironment::regionCode().size(), 2u);
    auto coordinator = desktop->makeCoordinator();
    auto model = signIn(*coordinator);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->error().value(), std::nullopt);

    const Song song = storedSong(*model, "so-1");
    EXPECT_EQ(song.artist, "Ada & the Lanterns");
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    model->playback().play({song}, song.id, std::nullopt, std::nullopt);
    ASSERT_TRUE(pumpUntil([&] { return controller->position().value() > 0.5; }))
        << controller->error().value().value_or("no error");
    EXPECT_TRUE(controller->isPlaying().value());

    ASSERT_TRUE(shutDown(*model, desktop->mainActor()));
    model.reset();
    coordinator.reset();
    desktop.reset();
}

TEST_F(DesktopEnvironmentTest, QuittingMidSongEndsWithinTheBoundAndTheNextStartRestores) {
    double position = 0;
    {
        auto desktop = makeDesktop();
        auto coordinator = desktop->makeCoordinator();
        auto model = signIn(*coordinator);
        ASSERT_TRUE(model);
        const Song first = storedSong(*model, "so-2");
        const Song second = storedSong(*model, "so-3");
        PlaybackController* controller = model->playback().controller();
        model->playback().play({first, second}, first.id, std::nullopt, std::nullopt);
        ASSERT_TRUE(pumpUntil([&] { return controller->position().value() > 1.0; }));

        QuitController quit;
        quit.setCoordinator(coordinator, desktop->mainActor());
        int exitStatus = -1;
        quit.setExit([&](int status) { exitStatus = status; });
        bool cleaned = false;
        quit.addCleanup([&] { cleaned = true; });
        position = controller->position().value();
        QElapsedTimer timer;
        timer.start();
        quit.quit();
        ASSERT_TRUE(pumpUntil([&] { return exitStatus >= 0; }, 10000));
        EXPECT_EQ(exitStatus, 0);
        EXPECT_TRUE(cleaned);
        EXPECT_LT(timer.elapsed(), QuitController::shutdownBound.count());
        // Shut down by the quit, not cut short by the bound.
        EXPECT_TRUE(model->isShuttingDown());
        model.reset();
        coordinator.reset();
        desktop.reset();
    }
    // The next start on the same profile: the keyring in memory is gone, the
    // saved queue and position are not.
    auto desktop = makeDesktop();
    auto coordinator = desktop->makeCoordinator();
    coordinator->launch();
    ASSERT_TRUE(pumpUntil([&] {
        const auto& model = coordinator->model().value();
        return model && model->playback().controller() &&
               model->playback().controller()->queue().value().current.has_value();
    }));
    auto model = coordinator->model().value();
    PlaybackController* controller = model->playback().controller();
    const QueueState queue = controller->queue().value();
    EXPECT_EQ(queue.current->song.id, "so-2");
    ASSERT_EQ(queue.upcoming().size(), 1u);
    EXPECT_EQ(queue.upcoming()[0].song.id, "so-3");
    // The position as last saved: the controller saves it every ten seconds
    // of play and at every change of song, so never past where the quit began.
    EXPECT_GE(controller->position().value(), 0.0);
    EXPECT_LE(controller->position().value(), position + 0.01);
    EXPECT_FALSE(controller->isPlaying().value());
    ASSERT_TRUE(shutDown(*model, desktop->mainActor()));
    model.reset();
    coordinator.reset();
    desktop.reset();
}

} // namespace
} // namespace sorvalind::test
