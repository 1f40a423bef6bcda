// The menu commands in the three states of the application (no model yet, a
// signed-out model, a signed-in one), what they do, and the Playback menu
// following the controller of whichever model is current.

#include "windows_fixture.h"

#include "model/app_model.h"
#include "playback/playback_controller.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace sorvalind::test {
namespace {

struct Expected {
    const char* state;
    const char* connectionTitle;
    bool modelCommands; // Settings… and the connection item
    bool refresh;
    bool playbackShown;
    bool playbackEnabled;
};

class Commands : public WindowsFixture {
protected:
    QMenu* playbackMenu(QMainWindow& window) {
        return window.menuBar()->findChild<QMenu*>(QStringLiteral("playback"));
    }

    void expectState(const Expected& e) {
        SCOPED_TRACE(e.state);
        settle();
        AppCommands& c = commands();
        EXPECT_EQ(c.connection()->text().toStdString(), e.connectionTitle);
        EXPECT_EQ(c.connection()->isEnabled(), e.modelCommands);
        EXPECT_EQ(c.settings()->isEnabled(), e.modelCommands);
        EXPECT_EQ(c.refreshLibrary()->isEnabled(), e.refresh);
        EXPECT_TRUE(c.help()->isEnabled());
        EXPECT_TRUE(c.quit()->isEnabled());
        for (QAction* item : {c.playPause(), c.stop(), c.nextTrack(), c.previousTrack()})
            EXPECT_EQ(item->isVisible(), e.playbackShown) << item->text().toStdString();
        EXPECT_EQ(playbackMenu(*windows->mainWindow())->isEnabled(), e.playbackEnabled);
        EXPECT_EQ(c.previousTrack()->isEnabled(), e.playbackEnabled) << "Previous Track is always enabled";
        EXPECT_FALSE(c.stop()->isEnabled()) << "nothing is loaded";
        EXPECT_FALSE(c.nextTrack()->isEnabled()) << "there is no next track";
    }
};

TEST_F(Commands, FollowTheThreeStatesOfTheApplication) {
    // Nothing published yet: the window is not even shown.
    expectState({"no model", "Connect to Server…", false, false, false, false});
    launch();
    expectState({"signed out", "Connect to Server…", true, false, true, false});
    signIn();
    expectState({"signed in", "Edit Connection Settings…", true, true, true, true});
    EXPECT_TRUE(commands().playPause()->text().startsWith(QStringLiteral("Play\tSpace")));
}

TEST_F(Commands, TheirKeysComeFromTheKeyTableAndWorkFromEveryWindow) {
    AppCommands& c = commands();
    const struct {
        QAction* action;
        const char* keys;
    } cases[] = {
        {c.settings(), "Ctrl+,"},
        {c.connection(), "Ctrl+Shift+K"},
        {c.refreshLibrary(), "Ctrl+R"},
        {c.showSidebar(), "F9"},
        {c.nextTrack(), "Ctrl+Right"},
        {c.previousTrack(), "Ctrl+Left"},
        {c.help(), "F1"},
        {c.closeWindow(), "Ctrl+W"},
        {c.quit(), "Ctrl+Q"},
        {c.playPause(), ""},
        {c.stop(), ""},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.action->text().toStdString());
        EXPECT_EQ(k.action->shortcut().toString(QKeySequence::PortableText).toStdString(), k.keys);
        EXPECT_EQ(k.action->shortcutContext(), Qt::ApplicationShortcut);
    }
    // Both windows' bars hold the very same actions, and their keys work in
    // whichever window is in front.
    launch();
    signIn();
    windows->showHelp();
    QApplication::setActiveWindow(windows->helpWindow());
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == windows->helpWindow(); }));
    QTest::keyClick(windows->helpWindow(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(world.current()->route().value(), std::optional<std::string>("Settings"));
    world.current()->setRoute("Albums");
    QApplication::setActiveWindow(windows->helpWindow());
    QTest::keyClick(windows->helpWindow(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(world.coordinator().connectionPresented().value());
    EXPECT_EQ(world.current()->route().value(), std::optional<std::string>("Settings"));
    for (QMainWindow* window : {windows->mainWindow(), windows->helpWindow()}) {
        QList<QAction*> all;
        for (QMenu* menu : window->menuBar()->findChildren<QMenu*>())
            all += menu->actions();
        for (QAction* action : {c.settings(), c.connection(), c.playPause(), c.help(), c.quit()})
            EXPECT_TRUE(all.contains(action)) << window->objectName().toStdString();
    }
}

TEST_F(Commands, SettingsAndConnectionBringTheMainWindowBackOnTheSettingsPage) {
    launch();
    signIn();
    AppModel& model = *world.current();
    model.setQuery("beatles");
    windows->mainWindow()->close();
    settle();
    ASSERT_FALSE(windows->mainWindow()->isVisible());

    commands().settings()->trigger();
    settle();
    EXPECT_TRUE(windows->mainWindow()->isVisible());
    EXPECT_EQ(model.route().value(), std::optional<std::string>("Settings"));
    EXPECT_EQ(model.query().value(), "");
    EXPECT_FALSE(world.coordinator().connectionPresented().value());
    EXPECT_TRUE(content().findChild<QLabel*>(QStringLiteral("settingsPage")));

    model.setRoute("Albums");
    windows->mainWindow()->close();
    commands().connection()->trigger();
    settle();
    EXPECT_TRUE(windows->mainWindow()->isVisible());
    EXPECT_TRUE(world.coordinator().connectionPresented().value());
    EXPECT_EQ(model.route().value(), std::optional<std::string>("Settings"));

    const std::size_t pages = world.server().requestCount("search3");
    commands().refreshLibrary()->trigger();
    ASSERT_TRUE(waitUntil(
        [&] { return !model.syncing().value() && world.server().requestCount("search3") > pages; }));
}

TEST_F(Commands, PlaybackActsOnTheControllerOfTheModelSignedInLast) {
    launch();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        signIn();
        PlaybackController* controller = world.current()->playback().controller();
        ASSERT_NE(controller, nullptr);
        controller->play({world.playableSong("so-1"), world.playableSong("so-2")}, "so-1", std::nullopt,
                         std::nullopt);
        ASSERT_TRUE(waitUntil([&] { return controller->isPlaying().value(); }));
        settle();
        EXPECT_TRUE(commands().playPause()->text().startsWith(QStringLiteral("Pause")));
        EXPECT_TRUE(commands().stop()->isEnabled());
        EXPECT_TRUE(commands().nextTrack()->isEnabled());

        commands().nextTrack()->trigger();
        EXPECT_EQ(controller->current()->id, "so-2");
        settle();
        EXPECT_FALSE(commands().nextTrack()->isEnabled()) << "the last song has no next one";
        EXPECT_TRUE(commands().previousTrack()->isEnabled());

        commands().playPause()->trigger();
        EXPECT_FALSE(controller->isPlaying().value());
        settle();
        EXPECT_TRUE(commands().playPause()->text().startsWith(QStringLiteral("Play")));

        commands().previousTrack()->trigger();
        EXPECT_EQ(controller->current()->id, "so-1");
        commands().stop()->trigger();
        EXPECT_EQ(controller->position().value(), 0.0);
    }
}

} // namespace
} // namespace sorvalind::test
