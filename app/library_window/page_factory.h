#pragma once
// Builds the library window's pages and the views beside them. The pages
// of later stages are placeholders; the settings page comes from the shell;
// the song-list routes get the song table when a row worker is given. The
// player bar and the queue panel are slots the player views fill.
//
// GUI thread only. The worker outlives every page built with it.

#include "library_window/library_page.h"

#include <functional>
#include <memory>

class QWidget;

namespace sorvalind {

class AppModel;
class Executor;

struct PageFactory {
    // The settings page (the shell's).
    std::function<QWidget*(std::shared_ptr<AppModel>, QWidget* parent)> settingsPage;
    // Where the song table prepares its rows; none: song lists are placeholders.
    Executor* songRowWorker = nullptr;
    // The player bar and the queue panel; none: nothing / a placeholder.
    std::function<QWidget*(std::shared_ptr<AppModel>, QWidget* parent)> playerBar;
    std::function<QWidget*(std::shared_ptr<AppModel>, QWidget* parent)> queuePanel;

    LibraryPage* build(const std::shared_ptr<AppModel>& model, const PageChoice& choice, const QString& title,
                       QWidget* parent) const;
    QWidget* buildQueuePanel(const std::shared_ptr<AppModel>& model, QWidget* parent) const;
};

bool isSongListPage(PageKind kind) noexcept;

} // namespace sorvalind
