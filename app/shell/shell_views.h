#pragma once
// The views the windows are made of but do not build themselves: the
// sign-in form, the start-up failure, the help window's content and the
// settings page. The application hands in the real ones; tests may hand in
// stand-ins. Each builds a new view under `parent`. GUI thread only.

#include <functional>
#include <memory>

class QWidget;

namespace sorvalind {

class AppCoordinator;
class AppModel;
class Executor;
class Preferences;
class Workspace;

struct ShellViews {
    // The sign-in form of the first-run page.
    std::function<QWidget*(std::shared_ptr<AppCoordinator>, QWidget* parent)> signInForm;
    // Why the library could not be opened or reset (the coordinator has the text).
    std::function<QWidget*(std::shared_ptr<AppCoordinator>, QWidget* parent)> startupFailure;
    // The settings page of a signed-in model, while its route is "Settings".
    std::function<QWidget*(std::shared_ptr<AppModel>, std::shared_ptr<AppCoordinator>, QWidget* parent)>
        settingsPage;
    // The help window's content.
    std::function<QWidget*(QWidget* parent)> help;
    // Where the library window's song table prepares its rows; none: its
    // song lists stay placeholders.
    Executor* songRowWorker = nullptr;
    // Where the library window keeps its sidebar's state; none: not kept.
    Preferences* windowPreferences = nullptr;
};

// The application's own views; `mainActor` is where their work's ends are
// heard, `workspace` opens folders and web pages. Both outlive the views.
ShellViews applicationViews(Executor& mainActor, Workspace& workspace);

} // namespace sorvalind
