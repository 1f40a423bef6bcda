#pragma once
// Every keyboard shortcut of the application in one table: the menus and
// windows register their keys from it, and the help window prints it, so
// the two cannot disagree. A row that is shown but not registered (Space)
// is handled by the library window's own key handling, never as a shortcut:
// a shortcut would take Space from text fields and buttons.
//
// Any thread (constant data); keysText() needs the GUI's key names.

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

namespace sorvalind {

enum class KeyCommand {
    playPause,
    nextTrack,
    previousTrack,
    refreshLibrary,
    connectionSettings,
    back,
    forward,
    toggleSidebar,
    settings,
    search,
    help,
};

struct KeyBinding {
    KeyCommand command;
    // The help row's action text.
    const char* action;
    QList<QKeySequence> keys;
    // False: shown in menus and help, bound by a view's own key handling.
    bool registered = true;

    // The keys as the menus show them, alternatives joined by " or ".
    QString keysText() const;
};

// In the order help prints them.
const std::vector<KeyBinding>& keyTable();
const KeyBinding& keyBinding(KeyCommand command);
// The keys a command registers as shortcuts (none for a row only shown).
QList<QKeySequence> registeredKeys(KeyCommand command);

} // namespace sorvalind
