// The real views handed to the windows: each factory builds its own view,
// and the main content shows the start-up failure page a failed launch
// leaves behind.

#include "forms_fixture.h"

#include "shell/help_window.h"
#include "shell/library_root.h"
#include "shell/main_content.h"
#include "shell/qt_text.h"
#include "shell/reset_texts.h"
#include "shell/settings_page.h"
#include "shell/shell_views.h"
#include "shell/sign_in_form.h"
#include "shell/startup_failure_view.h"

#include <QLabel>

namespace sorvalind::test {
namespace {

struct ApplicationViews : FormsFixture {};

TEST_F(ApplicationViews, EachFactoryBuildsItsView) {
    makeCoordinator();
    launch();
    const ShellViews views = applicationViews(main, workspace);
    QWidget parent;
    EXPECT_NE(qobject_cast<ConnectionSettingsView*>(views.signInForm(coordinator, &parent)), nullptr);
    EXPECT_NE(qobject_cast<AppStartupFailure*>(views.startupFailure(coordinator, &parent)), nullptr);
    EXPECT_NE(qobject_cast<SettingsView*>(views.settingsPage(current(), coordinator, &parent)), nullptr);
    EXPECT_NE(qobject_cast<HelpView*>(views.help(&parent)), nullptr);
}

TEST_F(ApplicationViews, AFailedLaunchFillsTheMainContentWithItsFailurePage) {
    paths.setBase("relative");
    makeCoordinator();
    launch();
    ASSERT_TRUE(coordinator->startupError().value());
    MainContent content(coordinator, applicationViews(main, workspace));
    content.resize(780, 540);
    content.show();
    settle();
    const QList<AppStartupFailure*> pages = content.findChildren<AppStartupFailure*>();
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages.front()->isVisible());
    EXPECT_EQ(pages.front()->title()->text(), toQString(ResetTexts::openFailedTitle));
}

TEST_F(ApplicationViews, TheFirstRunPageHoldsTheRealSignInForm) {
    makeCoordinator();
    launch();
    ASSERT_FALSE(coordinator->startupError().value());
    MainContent content(coordinator, applicationViews(main, workspace));
    content.resize(1180, 780);
    content.show();
    settle();
    ASSERT_NE(content.libraryRoot(), nullptr);
    EXPECT_TRUE(content.libraryRoot()->isFirstRun());
    const QList<ConnectionSettingsView*> forms = content.findChildren<ConnectionSettingsView*>();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_TRUE(forms.front()->isVisible());
    EXPECT_FALSE(
        saveScreenshot(content, QStringLiteral("shell"), QStringLiteral("first-run-form")).isEmpty());
}

} // namespace
} // namespace sorvalind::test
