// The application's windows as the entry sees them: the two windows with
// their menus over the coordinator, on the GUI thread's main actor, with the
// application's own views and Quit through the quit controller.

#include "shell/application_windows.h"

#include "shell/app_windows.h"
#include "shell/quit_controller.h"
#include "shell/shell_views.h"

#include "kit/gui_executor.h"
#include "kit/text_styles.h"
#include "platform/qt_workspace.h"

#include <QApplication>

namespace sorvalind {

namespace {

class DesktopWindows final : public ApplicationWindows {
public:
    DesktopWindows(std::shared_ptr<AppCoordinator> coordinator, QuitController& quit)
        : windows_(std::move(coordinator), guiExecutor(), applicationViews(guiExecutor(), workspace_),
                   [&quit] { quit.quit(); }) {
        // Orange selection and links in every window, dialogs included.
        if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
            applyAccent(*application);
    }

    void showMain() override { windows_.showMain(); }

private:
    // The desktop's file manager and browser, for the settings page.
    QtWorkspace workspace_;
    AppWindows windows_;
};

} // namespace

std::unique_ptr<ApplicationWindows> makeApplicationWindows(std::shared_ptr<AppCoordinator> coordinator,
                                                           QuitController& quit) {
    return std::make_unique<DesktopWindows>(std::move(coordinator), quit);
}

} // namespace sorvalind
