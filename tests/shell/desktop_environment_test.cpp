// The desktop environment on an isolated profile with a silent output: a
// real sign-in to the demo server through the coordinator it assembles, a
// synchronised library, and a song that plays on the controller the model
// exposes. Qt's offscreen platform; no session bus is needed.

#include "loopback/demo_library.h"
#include "playback/playback_controller.h"
#include "shell/desktop_environment.h"
#include "shell/temporary_profile.h"

#include <gtest/gtest.h>

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
    static void SetUpTestSuite() {
        profile = new TemporaryProfile;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_shell";
        static char* argv[] = {name, nullptr};
        // The program's offscreen application, when one is registered.
        if (!QCoreApplication::instance()) application = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application;
        delete profile;
    }
    static inline TemporaryProfile* profile = nullptr;
    static inline QApplication* application = nullptr;
};

TEST_F(DesktopEnvironmentTest, SignsInSyncsAndPlaysOnTheIsolatedProfile) {
    // The profile is the process's: nothing lands in the user's folders.
    EXPECT_EQ(std::string(std::getenv("XDG_DATA_HOME")), (profile->root() / "data").string());
    const auto server = loopback::startDemoServer(profile->scratch());
    auto desktop = std::make_unique<DesktopEnvironment>(DesktopOptions{
        .isolatedProfile = true,
        .silent = true,
        .mprisServiceName = QStringLiteral("org.mpris.MediaPlayer2.sorvalind.test%1").arg(::getpid())});
    EXPECT_EQ(DesktopEnvironment::regionCode().size(), 2u);
    auto coordinator = desktop->makeCoordinator();
    coordinator->launch();
    ASSERT_TRUE(pumpUntil([&] { return coordinator->model().value() != nullptr; }));
    EXPECT_FALSE(coordinator->model().value()->configuration());

    coordinator->connect(server->baseUrl(), loopback::DemoLogin::user, loopback::DemoLogin::password, true);
    ASSERT_TRUE(pumpUntil([&] {
        const auto& model = coordinator->model().value();
        return model && model->configuration() && model->status().value() == "Library up to date";
    })) << coordinator->model().value()->status().value();
    auto model = coordinator->model().value();
    EXPECT_EQ(model->error().value(), std::nullopt);

    std::promise<std::optional<Song>> stored;
    model->repository().executor().post([&] { stored.set_value(model->repository().song("so-1")); });
    const std::optional<Song> song = stored.get_future().get();
    ASSERT_TRUE(song);
    EXPECT_EQ(song->artist, "Ada & the Lanterns");

    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    model->playback().play({*song}, song->id, std::nullopt, std::nullopt);
    ASSERT_TRUE(pumpUntil([&] { return controller->position().value() > 0.5; }))
        << controller->error().value().value_or("no error");
    EXPECT_TRUE(controller->isPlaying().value());

    bool ended = false;
    model->shutdown().whenFinished(desktop->mainActor(), [&](const Outcome<void>&) { ended = true; });
    ASSERT_TRUE(pumpUntil([&] { return ended; }));
    model.reset();
    coordinator.reset();
    desktop.reset();
}

} // namespace
} // namespace sorvalind::test
