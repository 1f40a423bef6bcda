#pragma once
// One window's menu bar over the application's one set of commands: File,
// View, Playback and Help. Every window gets its own bar; the actions and
// their shortcuts are shared. GUI thread only.

class QMainWindow;
class QMenuBar;

namespace sorvalind {

class AppCommands;

// Builds the bar into `window` (it owns the bar); `commands` must outlive it.
QMenuBar* installMenuBar(QMainWindow& window, AppCommands& commands);

} // namespace sorvalind
