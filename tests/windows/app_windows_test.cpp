// The two windows: their sizes and limits, the help window made when asked
// and deleted when closed, and an application that keeps running with both
// closed.

#include "windows_fixture.h"

#include <QMainWindow>
#include <QPointer>

namespace sorvalind::test {
namespace {

using AppWindowsTest = WindowsFixture;

TEST_F(AppWindowsTest, OpenAtTheirSizesAndGoNoSmallerThanTheirContent) {
    launch();
    QMainWindow& main = *windows->mainWindow();
    EXPECT_EQ(main.objectName(), QStringLiteral("main"));
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Sorvalind"));
    EXPECT_EQ(main.size(), QSize(1180, 780));
    main.resize(400, 300);
    settle();
    EXPECT_GE(main.width(), 780);
    EXPECT_GE(main.height(), 540);

    commands().help()->trigger();
    QPointer<QMainWindow> help = windows->helpWindow();
    ASSERT_TRUE(help);
    EXPECT_EQ(help->objectName(), QStringLiteral("help"));
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Sorvalind Help"));
    EXPECT_EQ(help->size(), QSize(820, 640));
    EXPECT_TRUE(help->isVisible());
    // Asking again brings the same window forward.
    commands().help()->trigger();
    EXPECT_EQ(windows->helpWindow(), help.data());
}

TEST_F(AppWindowsTest, ClosingBothWindowsKeepsTheApplicationAndTheCommandsReopenThem) {
    launch();
    commands().help()->trigger();
    QPointer<QMainWindow> help = windows->helpWindow();
    help->close();
    windows->mainWindow()->close();
    ASSERT_TRUE(waitUntil([&] { return help.isNull(); })) << "the help window is deleted when closed";
    EXPECT_FALSE(windows->mainWindow()->isVisible());
    EXPECT_EQ(quits, 0);

    commands().help()->trigger();
    ASSERT_TRUE(windows->helpWindow());
    EXPECT_NE(windows->helpWindow(), nullptr);
    EXPECT_TRUE(windows->helpWindow()->isVisible());
    commands().settings()->trigger();
    EXPECT_TRUE(windows->mainWindow()->isVisible());
    EXPECT_EQ(content().kind(), MainContentKind::library) << "the main window kept its content";

    commands().quit()->trigger();
    EXPECT_EQ(quits, 1);
}

} // namespace
} // namespace sorvalind::test
