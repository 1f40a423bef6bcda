// The views the windows embed: the sign-in form, the start-up failure page,
// the settings page and the help window's content.

#include "shell/shell_views.h"

#include "shell/help_window.h"
#include "shell/settings_page.h"
#include "shell/sign_in_form.h"
#include "shell/startup_failure_view.h"

namespace sorvalind {

// The forms hear the ends of their work on the GUI thread's own executor,
// which is the main actor in the application.
ShellViews applicationViews(Executor&, Workspace& workspace) {
    ShellViews views;
    views.signInForm = [](std::shared_ptr<AppCoordinator> coordinator, QWidget* parent) -> QWidget* {
        return new ConnectionSettingsView(std::move(coordinator), parent);
    };
    views.startupFailure = [](std::shared_ptr<AppCoordinator> coordinator, QWidget* parent) -> QWidget* {
        return new AppStartupFailure(std::move(coordinator), parent);
    };
    views.settingsPage = [&workspace](std::shared_ptr<AppModel> model,
                                      std::shared_ptr<AppCoordinator> coordinator,
                                      QWidget* parent) -> QWidget* {
        return new SettingsView(std::move(model), std::move(coordinator), workspace, parent);
    };
    views.help = [](QWidget* parent) -> QWidget* { return new HelpView(parent); };
    return views;
}

} // namespace sorvalind
