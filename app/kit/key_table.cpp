#include "kit/key_table.h"

#include <QStringList>

#include <algorithm>
#include <stdexcept>

namespace sorvalind {

QString KeyBinding::keysText() const {
    QStringList texts;
    for (const QKeySequence& key : keys)
        texts.append(key.toString(QKeySequence::NativeText));
    return texts.join(QStringLiteral(" or "));
}

const std::vector<KeyBinding>& keyTable() {
    static const std::vector<KeyBinding> table{
        {KeyCommand::playPause, "Play or pause", {QKeySequence(Qt::Key_Space)}, false},
        {KeyCommand::nextTrack, "Next track", {QKeySequence(Qt::CTRL | Qt::Key_Right)}},
        {KeyCommand::previousTrack, "Previous track", {QKeySequence(Qt::CTRL | Qt::Key_Left)}},
        {KeyCommand::refreshLibrary, "Refresh library", {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {KeyCommand::connectionSettings,
         "Connection settings",
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)}},
        {KeyCommand::back,
         "Back",
         {QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), QKeySequence(Qt::ALT | Qt::Key_Left)}},
        {KeyCommand::forward,
         "Forward",
         {QKeySequence(Qt::CTRL | Qt::Key_BracketRight), QKeySequence(Qt::ALT | Qt::Key_Right)}},
        {KeyCommand::toggleSidebar, "Show or hide sidebar", {QKeySequence(Qt::Key_F9)}},
        {KeyCommand::settings, "Settings", {QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
        {KeyCommand::search, "Search your library", {QKeySequence(Qt::CTRL | Qt::Key_F)}},
        {KeyCommand::help, "Sorvalind Help", {QKeySequence(Qt::Key_F1)}},
    };
    return table;
}

const KeyBinding& keyBinding(KeyCommand command) {
    const auto& table = keyTable();
    const auto row = std::find_if(table.begin(), table.end(), [command](const KeyBinding& binding) {
        return binding.command == command;
    });
    if (row == table.end()) throw std::logic_error("a command without a row in the key table");
    return *row;
}

QList<QKeySequence> registeredKeys(KeyCommand command) {
    const KeyBinding& binding = keyBinding(command);
    return binding.registered ? binding.keys : QList<QKeySequence>{};
}

} // namespace sorvalind
