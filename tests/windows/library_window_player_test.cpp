// The player bar in the library window: it appears in its slot once a song
// is current, and the space bar plays and pauses from anywhere in the
// window but a text field.

#include "windows_fixture.h"

#include "support/widgets/screenshots.h"

#include "library_window/library_search_field.h"
#include "model/playback_control.h"
#include "playback/playback_controller.h"
#include "shell/main_window_factory.h"
#include "songs/playback_keyboard_shortcut.h"
#include "songs/player_bar.h"

#include <QLabel>
#include <QMainWindow>
#include <QTest>
#include <QToolButton>

namespace sorvalind::test {
namespace {

using PlayerInLibraryWindow = WindowsFixture;

TEST_F(PlayerInLibraryWindow, TheBarShowsTheCurrentSongAndTheSpaceBarToggles) {
    launch();
    signIn();
    LibraryWindow* window = content().libraryRoot()->factory()->window();
    ASSERT_NE(window, nullptr);
    auto* bar = window->findChild<PlayerBar*>();
    ASSERT_NE(bar, nullptr);
    auto* shortcut = window->findChild<PlaybackKeyboardShortcut*>();
    ASSERT_NE(shortcut, nullptr);
    EXPECT_FALSE(bar->isVisible()) << "nothing is current yet";

    PlaybackController* controller = world.current()->playback().controller();
    ASSERT_NE(controller, nullptr);
    controller->play({world.playableSong("s1")}, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return bar->isVisible() && bar->title()->text() == "Song s1"; }));
    EXPECT_TRUE(shortcut->monitoring());
    QMainWindow& shown = *windows->mainWindow();
    shown.resize(1100, 700);
    settle();
    EXPECT_FALSE(saveScreenshot(shown, QStringLiteral("player"), QStringLiteral("library-window")).isEmpty());

    QMainWindow& main = *windows->mainWindow();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const bool playing = controller->isPlaying().value();
    bar->playPauseButton()->setFocus();
    QTest::keyClick(bar->playPauseButton(), Qt::Key_Space);
    EXPECT_NE(controller->isPlaying().value(), playing);

    auto* search = window->findChild<LibrarySearchField*>();
    ASSERT_NE(search, nullptr);
    search->setFocus();
    const bool before = controller->isPlaying().value();
    QTest::keyClick(search, Qt::Key_Space);
    EXPECT_EQ(controller->isPlaying().value(), before);
    EXPECT_EQ(search->text(), " ");
    controller->stop();
}

} // namespace
} // namespace sorvalind::test
