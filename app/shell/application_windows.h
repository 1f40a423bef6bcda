#pragma once
// What the application's entry needs of its windows: the main window shown
// at start and brought forward on request (a second launch, the desktop's
// Raise). The windows, their menus and commands are built over the
// coordinator; the quit controller ends the process for the Quit command.
//
// GUI thread only.

#include "model/app_coordinator.h"

#include <memory>

namespace sorvalind {

class Preferences;
class QuitController;

class ApplicationWindows {
public:
    virtual ~ApplicationWindows() = default;
    // Shows "main", or brings it to the front when it is open.
    virtual void showMain() = 0;
};

// `preferences` keep the windows' own state; they outlive the windows.
std::unique_ptr<ApplicationWindows> makeApplicationWindows(std::shared_ptr<AppCoordinator> coordinator,
                                                           QuitController& quit, Preferences& preferences);

} // namespace sorvalind
