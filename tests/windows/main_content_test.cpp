// What fills the main window: the chooser's order, and a view tree built
// afresh for each model the coordinator publishes, while the old models go.

#include "windows_fixture.h"

#include "support/widgets/screenshots.h"

#include <QPointer>

#include <set>
#include <vector>

namespace sorvalind::test {
namespace {

TEST(MainContentChoice, TestsResetThenModelThenErrorThenOpening) {
    using K = MainContentKind;
    const struct {
        bool resetting, model, error;
        K expected;
    } cases[] = {
        {false, false, false, K::opening},  {false, false, true, K::startupFailure},
        {false, true, false, K::library},   {false, true, true, K::library},
        {true, false, false, K::resetting}, {true, false, true, K::resetting},
        {true, true, false, K::resetting},  {true, true, true, K::resetting},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chooseMainContent(c.resetting, c.model, c.error), c.expected)
            << c.resetting << c.model << c.error;
}

QString progressText(const MainContent& content) {
    const auto* label = content.findChild<QLabel*>(QStringLiteral("progressLabel"));
    return label ? label->text() : QString();
}

using MainContentTest = WindowsFixture;

TEST_F(MainContentTest, OpensThenShowsTheFirstRunPageAndANewRootForEveryModel) {
    windows->showMain();
    EXPECT_EQ(content().kind(), MainContentKind::opening);
    EXPECT_EQ(progressText(content()), QStringLiteral("Opening your library…"));
    EXPECT_FALSE(
        saveScreenshot(*windows->mainWindow(), QStringLiteral("shell"), QStringLiteral("opening")).isEmpty());

    // Showing the content launched the coordinator.
    ASSERT_TRUE(waitUntil([&] { return content().libraryRoot() != nullptr; }));
    QPointer<LibraryRoot> firstRun = content().libraryRoot();
    EXPECT_TRUE(firstRun->isFirstRun());
    EXPECT_TRUE(firstRun->findChild<QLabel*>(QStringLiteral("signInForm")));
    EXPECT_TRUE(firstRun->findChild<QLabel*>(QStringLiteral("privacyPolicy")));
    EXPECT_FALSE(saveScreenshot(*windows->mainWindow(), QStringLiteral("shell"), QStringLiteral("first-run"))
                     .isEmpty());

    std::weak_ptr<AppModel> unconfigured = world.current();
    signIn();
    QPointer<LibraryRoot> library = content().libraryRoot();
    EXPECT_TRUE(firstRun.isNull()) << "the first-run page went with its model";
    EXPECT_FALSE(library->isFirstRun());
    ASSERT_TRUE(waitUntil([&] { return unconfigured.expired(); })) << "the unconfigured model is destroyed";

    // Signing in again (the same account) from the settings page replaces
    // the model and the root, and the new root opens on the settings page.
    std::weak_ptr<AppModel> first = world.current();
    world.current()->setRoute("Settings");
    ASSERT_TRUE(waitUntil([&] { return library->findChild<QLabel*>(QStringLiteral("settingsPage")); }));
    signIn();
    EXPECT_TRUE(library.isNull());
    EXPECT_NE(content().libraryRoot()->model(), first.lock());
    EXPECT_TRUE(content().libraryRoot()->findChild<QLabel*>(QStringLiteral("settingsPage")));
    ASSERT_TRUE(waitUntil([&] { return first.expired(); }));

    // The reset hides the library while it runs and ends on a new first-run page.
    std::weak_ptr<AppModel> second = world.current();
    std::set<MainContentKind> seen;
    const TaskHandle reset = world.coordinator().reset();
    ASSERT_TRUE(waitUntil([&] {
        seen.insert(content().kind());
        return reset.isFinished() && content().libraryRoot() &&
               content().libraryRoot()->model() == world.current();
    }));
    EXPECT_TRUE(seen.count(MainContentKind::resetting));
    EXPECT_TRUE(content().libraryRoot()->isFirstRun());
    ASSERT_TRUE(waitUntil([&] { return second.expired(); }));
}

TEST_F(MainContentTest, AFailedLaunchShowsTheFailureView) {
    world.blockDataFolder();
    windows->showMain();
    ASSERT_TRUE(waitUntil([&] { return content().kind() == MainContentKind::startupFailure; }));
    EXPECT_TRUE(world.coordinator().startupError().value().has_value());
    EXPECT_TRUE(content().findChild<QLabel*>(QStringLiteral("startupFailure")));
}

} // namespace
} // namespace sorvalind::test
