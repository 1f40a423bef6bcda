// The key table: what the menus show and help prints, in desktop key names,
// with no key bound twice.

#include "kit/key_table.h"

#include <gtest/gtest.h>

#include <QSet>

namespace sorvalind::test {
namespace {

TEST(KeyTable, ShowsEachCommandsKeysInDesktopNames) {
    const std::vector<std::pair<KeyCommand, const char*>> expected{
        {KeyCommand::playPause, "Space"},
        {KeyCommand::nextTrack, "Ctrl+Right"},
        {KeyCommand::previousTrack, "Ctrl+Left"},
        {KeyCommand::refreshLibrary, "Ctrl+R"},
        {KeyCommand::connectionSettings, "Ctrl+Shift+K"},
        {KeyCommand::back, "Ctrl+[ or Alt+Left"},
        {KeyCommand::forward, "Ctrl+] or Alt+Right"},
        {KeyCommand::toggleSidebar, "F9"},
        {KeyCommand::settings, "Ctrl+,"},
        {KeyCommand::search, "Ctrl+F"},
        {KeyCommand::help, "F1"},
    };
    ASSERT_EQ(keyTable().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(keyTable()[i].action);
        EXPECT_EQ(keyTable()[i].command, expected[i].first) << "help prints the rows in this order";
        EXPECT_EQ(keyTable()[i].keysText().toStdString(), expected[i].second);
    }
}

TEST(KeyTable, SpaceIsShownButRegisteredNowhereAndNoKeyIsBoundTwice) {
    EXPECT_TRUE(registeredKeys(KeyCommand::playPause).isEmpty());
    QSet<QString> seen;
    for (const KeyBinding& binding : keyTable()) {
        for (const QKeySequence& key : registeredKeys(binding.command)) {
            const QString text = key.toString(QKeySequence::PortableText);
            EXPECT_FALSE(seen.contains(text)) << text.toStdString();
            seen.insert(text);
        }
        const QString shown = QString::fromUtf8(binding.action) + binding.keysText();
        for (const QString& foreign : {QStringLiteral("⌘"), QStringLiteral("⌃"), QStringLiteral("⌥"),
                                       QStringLiteral("⇧"), QStringLiteral("Command")})
            EXPECT_FALSE(shown.contains(foreign)) << shown.toStdString();
    }
}

} // namespace
} // namespace sorvalind::test
