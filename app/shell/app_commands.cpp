#include "shell/app_commands.h"

#include "kit/key_table.h"
#include "model/app_coordinator.h"
#include "model/app_model.h"
#include "playback/playback_controller.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

namespace sorvalind {

namespace {

constexpr const char* connectTitle = "Connect to Server…";
constexpr const char* editConnectionTitle = "Edit Connection Settings…";

void bindKeys(QAction* action, KeyCommand command) {
    action->setShortcuts(registeredKeys(command));
}

// Space is shown beside the item but registered nowhere: the library
// window's own key handling plays and pauses, so text fields keep Space.
QString withShownKeys(const QString& title, KeyCommand command) {
    const KeyBinding& binding = keyBinding(command);
    return binding.registered ? title : title + QLatin1Char('\t') + binding.keysText();
}

} // namespace

AppCommands::AppCommands(std::shared_ptr<AppCoordinator> coordinator, CommandHandlers handlers,
                         QObject* parent)
    : QObject(parent), coordinator_(std::move(coordinator)), handlers_(std::move(handlers)) {
    connection_ = makeAction(QString::fromUtf8(connectTitle), this);
    bindKeys(connection_, KeyCommand::connectionSettings);
    connect(connection_, &QAction::triggered, this, [this] {
        if (!model()) return;
        if (handlers_.showMain) handlers_.showMain();
        coordinator_->setConnectionPresented(true);
        coordinator_->showSettings();
    });

    settings_ = makeAction(QStringLiteral("Settings…"), this);
    bindKeys(settings_, KeyCommand::settings);
    settings_->setMenuRole(QAction::PreferencesRole);
    connect(settings_, &QAction::triggered, this, [this] {
        if (!model()) return;
        if (handlers_.showMain) handlers_.showMain();
        coordinator_->showSettings();
    });

    closeWindow_ = makeAction(QStringLiteral("Close Window"), this);
    // The desktop's usual keys, the same under every platform theme (some
    // themes offer Ctrl+F4 or nothing).
    closeWindow_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeWindow_, &QAction::triggered, this, [] {
        if (QWidget* window = QApplication::activeWindow()) window->close();
    });

    quit_ = makeAction(QStringLiteral("Quit"), this);
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit_->setMenuRole(QAction::QuitRole);
    connect(quit_, &QAction::triggered, this, [this] {
        if (handlers_.quit) handlers_.quit();
    });

    // The library window shows and hides its sidebar by this action's state.
    showSidebar_ = makeAction(QStringLiteral("Show Sidebar"), this);
    showSidebar_->setCheckable(true);
    showSidebar_->setChecked(true);
    bindKeys(showSidebar_, KeyCommand::toggleSidebar);

    refreshLibrary_ = makeAction(QStringLiteral("Refresh Library"), this);
    bindKeys(refreshLibrary_, KeyCommand::refreshLibrary);
    connect(refreshLibrary_, &QAction::triggered, this, [this] {
        if (auto current = model(); current && current->configuration()) current->refresh();
    });

    playPause_ = makeAction(withShownKeys(QStringLiteral("Play"), KeyCommand::playPause), this);
    connect(playPause_, &QAction::triggered, this, [this] {
        if (PlaybackController* playback = controller()) playback->toggle();
    });
    stop_ = makeAction(QStringLiteral("Stop"), this);
    connect(stop_, &QAction::triggered, this, [this] {
        if (PlaybackController* playback = controller()) playback->stop();
    });
    nextTrack_ = makeAction(QStringLiteral("Next Track"), this);
    bindKeys(nextTrack_, KeyCommand::nextTrack);
    connect(nextTrack_, &QAction::triggered, this, [this] {
        if (PlaybackController* playback = controller()) playback->next();
    });
    previousTrack_ = makeAction(QStringLiteral("Previous Track"), this);
    bindKeys(previousTrack_, KeyCommand::previousTrack);
    connect(previousTrack_, &QAction::triggered, this, [this] {
        if (PlaybackController* playback = controller()) playback->previous();
    });

    help_ = makeAction(QStringLiteral("Sorvalind Help"), this);
    bindKeys(help_, KeyCommand::help);
    connect(help_, &QAction::triggered, this, [this] {
        if (handlers_.showHelp) handlers_.showHelp();
    });

    coordinatorWatch_.watch(coordinator_->model(), [this] { rebind(); });
    coordinatorWatch_.watch(coordinator_->isResetting());
    coordinatorWatch_.watch(coordinator_->isConnecting());
    connect(&coordinatorWatch_, &ModelAdapter::modelChanged, this, &AppCommands::update);
    connect(&modelWatch_, &ModelAdapter::modelChanged, this, &AppCommands::update);
    rebind();
}

AppCommands::~AppCommands() = default;

QAction* AppCommands::makeAction(const QString& title, QObject* owner) {
    auto* action = new QAction(title, owner);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

std::shared_ptr<AppModel> AppCommands::model() const {
    return coordinator_->model().value();
}

PlaybackController* AppCommands::controller() const {
    const auto current = model();
    return current ? current->playback().controller() : nullptr;
}

void AppCommands::rebind() {
    const auto current = model();
    modelWatch_.clear();
    if (current) {
        // What the titles and enabling depend on; whether a next song exists
        // follows the queue and, offline, the downloads.
        modelWatch_.watch(current->isOffline());
        modelWatch_.watch(current->downloadedSongIDs());
        if (PlaybackController* playback = current->playback().controller()) {
            modelWatch_.watch(playback->isPlaying());
            modelWatch_.watch(playback->queue());
        }
    }
    update();
}

void AppCommands::update() {
    const auto current = model();
    const bool hasModel = current != nullptr;
    const bool configured = hasModel && current->configuration().has_value();

    connection_->setText(QString::fromUtf8(configured ? editConnectionTitle : connectTitle));
    connection_->setEnabled(hasModel);
    settings_->setEnabled(hasModel);
    refreshLibrary_->setEnabled(configured);
    showSidebar_->setEnabled(configured);

    PlaybackController* playback = controller();
    const bool shown = hasModel;
    const bool enabled = configured && playback != nullptr;
    const bool playing = playback && playback->isPlaying().value();
    playPause_->setText(withShownKeys(QString::fromUtf8(playing ? "Pause" : "Play"), KeyCommand::playPause));
    playPause_->setEnabled(enabled);
    stop_->setEnabled(enabled && playback->current().has_value());
    nextTrack_->setEnabled(enabled && playback->canGoNext());
    previousTrack_->setEnabled(enabled);
    for (QAction* action : {playPause_, stop_, nextTrack_, previousTrack_})
        action->setVisible(shown);

    if (shown != playbackItemsShown_ || enabled != playbackEnabled_) {
        playbackItemsShown_ = shown;
        playbackEnabled_ = enabled;
        emit playbackMenuChanged();
    }
}

} // namespace sorvalind
