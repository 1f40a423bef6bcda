#include "shell/main_window_factory.h"

#include "library_window/library_window.h"
#include "model/app_model.h"
#include "model/playback_control.h"
#include "playback/playback_controller.h"
#include "songs/playback_keyboard_shortcut.h"
#include "songs/player_bar.h"
#include "songs/queue_panel.h"

namespace sorvalind {

MainWindowFactory::MainWindowFactory(std::shared_ptr<AppModel> model,
                                     std::shared_ptr<AppCoordinator> coordinator, ShellViews views,
                                     QObject* parent)
    : QObject(parent), model_(model), coordinator_(std::move(coordinator)), views_(std::move(views)) {}

QWidget* MainWindowFactory::build(QWidget* parent) {
    const auto model = model_.lock();
    if (!model) return new QWidget(parent);
    LibraryWindowParts parts;
    if (views_.settingsPage)
        parts.pages.settingsPage = [settings = views_.settingsPage, coordinator = coordinator_](
                                       std::shared_ptr<AppModel> model, QWidget* parent) {
            return settings(std::move(model), coordinator, parent);
        };
    parts.pages.songRowWorker = views_.songRowWorker;
    parts.pages.playerBar = [](std::shared_ptr<AppModel> model, QWidget* parent) -> QWidget* {
        auto* bar = new PlayerBar(model, parent);
        // The shortcut lives beside the bar's slot, which hides while nothing
        // plays, so that the space bar stays the window's at every moment.
        QWidget* host = parent && parent->parentWidget() ? parent->parentWidget() : bar;
        new PlaybackKeyboardShortcut(
            [weak = std::weak_ptr<AppModel>(model)] {
                if (const auto model = weak.lock())
                    if (PlaybackController* controller = model->playback().controller()) controller->toggle();
            },
            host);
        return bar;
    };
    parts.pages.queuePanel = [](std::shared_ptr<AppModel> model, QWidget* parent) -> QWidget* {
        return new QueuePanel(std::move(model), parent);
    };
    parts.preferences = views_.windowPreferences;
    window_ = new LibraryWindow(model, coordinator_, std::move(parts), parent);
    connect(window_, &LibraryWindow::titleChanged, this, [this](const QString& title) {
        title_ = title;
        emit titleChanged(title);
    });
    title_ = window_->title();
    return window_;
}

void MainWindowFactory::setSidebarVisible(bool visible) {
    if (window_) window_->setSidebarVisible(visible);
}

} // namespace sorvalind
