#pragma once
// The application's two windows and what ties them together. "main"
// (1180 × 780, no smaller than its content's 780 × 540) holds the main
// content and lives as long as the application: closing it only hides it.
// "help" (820 × 640, no smaller than its content) is made when asked for and
// deleted when closed. Each has its own menu bar over the one set of
// commands. Closing both leaves the application running; coming back to the
// front runs the activation.
//
// GUI thread only.

#include "shell/shell_views.h"

#include <QMainWindow>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace sorvalind {

class AppActivation;
class AppCommands;
class AppCoordinator;
class Executor;
class MainContent;
class WindowActivity;

class AppWindows : public QObject {
    Q_OBJECT
public:
    static constexpr int mainWidth = 1180;
    static constexpr int mainHeight = 780;
    static constexpr int helpWidth = 820;
    static constexpr int helpHeight = 640;

    AppWindows(std::shared_ptr<AppCoordinator> coordinator, Executor& mainActor, ShellViews views,
               std::function<void()> quit, QObject* parent = nullptr);
    ~AppWindows() override;

    // Shows the window, or brings it to the front when it is open.
    void showMain();
    void showHelp();

    QMainWindow* mainWindow() const noexcept { return main_.get(); }
    // None while the help window is closed.
    QMainWindow* helpWindow() const noexcept { return help_; }
    MainContent* content() const noexcept { return content_; }
    AppCommands& commands() const noexcept { return *commands_; }
    WindowActivity& activity() const noexcept { return *activity_; }
    AppActivation& activation() const noexcept { return *activation_; }

private:
    static void bringForward(QMainWindow& window);

    std::shared_ptr<AppCoordinator> coordinator_;
    ShellViews views_;
    AppCommands* commands_;
    AppActivation* activation_;
    WindowActivity* activity_;
    std::unique_ptr<QMainWindow> main_;
    MainContent* content_;
    QPointer<QMainWindow> help_;
};

} // namespace sorvalind
