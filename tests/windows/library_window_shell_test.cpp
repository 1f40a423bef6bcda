// The library window inside the main window: its page titles the window,
// and the View menu's Show Sidebar hides its sidebar, also for the window
// of a model signed in later.

#include "windows_fixture.h"

#include "library_window/library_sidebar.h"
#include "shell/main_window_factory.h"

#include <QAction>
#include <QMainWindow>

namespace sorvalind::test {
namespace {

using LibraryWindowInShell = WindowsFixture;

TEST_F(LibraryWindowInShell, ThePageTitlesTheWindowAndShowSidebarHidesTheSidebar) {
    launch();
    signIn();
    QMainWindow& main = *windows->mainWindow();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Home"));
    world.current()->setRoute(std::string("Albums"));
    settle();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Albums"));

    LibraryWindow* window = content().libraryRoot()->factory()->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->sidebarVisible());
    commands().showSidebar()->trigger();
    EXPECT_FALSE(commands().showSidebar()->isChecked());
    EXPECT_FALSE(window->sidebarVisible());

    signIn();
    LibraryWindow* next = content().libraryRoot()->factory()->window();
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, window);
    EXPECT_FALSE(next->sidebarVisible());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Home")) << "a new model starts at home";
    commands().showSidebar()->trigger();
    EXPECT_TRUE(next->sidebarVisible());
}

} // namespace
} // namespace sorvalind::test
