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
#include "runtime/thread_executor.h"

#include <QApplication>

namespace sorvalind {

namespace {

class DesktopWindows final : public ApplicationWindows {
public:
    DesktopWindows(std::shared_ptr<AppCoordinator> coordinator, QuitController& quit,
                   Preferences& preferences)
        : windows_(std::move(coordinator), guiExecutor(), views(preferences), [&quit] { quit.quit(); }) {
        // Orange selection and links in every window, dialogs included.
        if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance()))
            applyAccent(*application);
    }

    void showMain() override { windows_.showMain(); }

private:
    ShellViews views(Preferences& preferences) {
        ShellViews views = applicationViews(guiExecutor(), workspace_);
        views.songRowWorker = &songRows_;
        views.windowPreferences = &preferences;
        return views;
    }

    // The desktop's file manager and browser, for the settings page.
    QtWorkspace workspace_;
    // The song lists' row preparation; it outlives the windows.
    WorkerPool songRows_{2, "song-rows"};
    AppWindows windows_;
};

} // namespace

std::unique_ptr<ApplicationWindows> makeApplicationWindows(std::shared_ptr<AppCoordinator> coordinator,
                                                           QuitController& quit, Preferences& preferences) {
    return std::make_unique<DesktopWindows>(std::move(coordinator), quit, preferences);
}

} // namespace sorvalind
