#include "shell/app_menu_bar.h"

#include "shell/app_commands.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace sorvalind {

QMenuBar* installMenuBar(QMainWindow& window, AppCommands& commands) {
    auto* bar = new QMenuBar(&window);

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(commands.connection());
    file->addAction(commands.settings());
    file->addSeparator();
    file->addAction(commands.closeWindow());
    file->addAction(commands.quit());

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->addAction(commands.showSidebar());
    view->addAction(commands.refreshLibrary());

    QMenu* playback = bar->addMenu(QStringLiteral("&Playback"));
    playback->setObjectName(QStringLiteral("playback"));
    playback->addAction(commands.playPause());
    playback->addAction(commands.stop());
    playback->addSeparator();
    playback->addAction(commands.nextTrack());
    playback->addAction(commands.previousTrack());
    const auto follow = [playback, &commands] { playback->setEnabled(commands.playbackEnabled()); };
    QObject::connect(&commands, &AppCommands::playbackMenuChanged, playback, follow);
    follow();

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(commands.help());

    window.setMenuBar(bar);
    return bar;
}

} // namespace sorvalind
