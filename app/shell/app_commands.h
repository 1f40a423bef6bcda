#pragma once
// Every menu command of the application, each one QAction registered once
// with an application-wide shortcut from the key table, so it works from
// whichever window is in front; each window's menu bar shows the same
// actions. Titles and enabling follow the coordinator, its current model and
// that model's playback controller: the commands rebind to each new model.
//
// - Settings… and the connection item need a model; the connection item
//   reads "Edit Connection Settings…" for a configured model.
// - Refresh Library and Show Sidebar need a configured model.
// - Playback: no items without a model, the whole menu disabled for a model
//   without a configuration; "Pause" while playing, else "Play", shown with
//   Space but bound by the library window's own key handling; Stop needs a
//   loaded song, Next Track a next song; Previous Track is always enabled.
// - Sorvalind Help, Close Window and Quit are always enabled.
//
// GUI thread only. Holds the coordinator; follows models weakly.

#include "kit/model_adapter.h"

#include <QObject>

#include <functional>
#include <memory>

class QAction;

namespace sorvalind {

class AppCoordinator;
class AppModel;
class PlaybackController;

struct CommandHandlers {
    // Shows the window "main" (or brings it to the front).
    std::function<void()> showMain;
    // Shows the window "help" (or brings it to the front).
    std::function<void()> showHelp;
    std::function<void()> quit;
};

class AppCommands : public QObject {
    Q_OBJECT
public:
    AppCommands(std::shared_ptr<AppCoordinator> coordinator, CommandHandlers handlers,
                QObject* parent = nullptr);
    ~AppCommands() override;

    // File
    QAction* connection() const noexcept { return connection_; }
    QAction* settings() const noexcept { return settings_; }
    QAction* closeWindow() const noexcept { return closeWindow_; }
    QAction* quit() const noexcept { return quit_; }
    // View
    QAction* showSidebar() const noexcept { return showSidebar_; }
    QAction* refreshLibrary() const noexcept { return refreshLibrary_; }
    // Playback
    QAction* playPause() const noexcept { return playPause_; }
    QAction* stop() const noexcept { return stop_; }
    QAction* nextTrack() const noexcept { return nextTrack_; }
    QAction* previousTrack() const noexcept { return previousTrack_; }
    // Help
    QAction* help() const noexcept { return help_; }

    // Whether the Playback menu lists its items, and whether it is enabled.
    bool playbackItemsShown() const noexcept { return playbackItemsShown_; }
    bool playbackEnabled() const noexcept { return playbackEnabled_; }

    // Re-reads everything now (the adapter does it once per loop turn).
    void update();

signals:
    // The Playback menu's presence or enabling changed.
    void playbackMenuChanged();

private:
    QAction* makeAction(const QString& title, QObject* owner);
    void rebind();
    std::shared_ptr<AppModel> model() const;
    PlaybackController* controller() const;

    std::shared_ptr<AppCoordinator> coordinator_;
    CommandHandlers handlers_;
    ModelAdapter coordinatorWatch_;
    // The current model's and its controller's values; cleared per model.
    ModelAdapter modelWatch_;

    QAction* connection_;
    QAction* settings_;
    QAction* closeWindow_;
    QAction* quit_;
    QAction* showSidebar_;
    QAction* refreshLibrary_;
    QAction* playPause_;
    QAction* stop_;
    QAction* nextTrack_;
    QAction* previousTrack_;
    QAction* help_;
    bool playbackItemsShown_ = false;
    bool playbackEnabled_ = false;
};

} // namespace sorvalind
