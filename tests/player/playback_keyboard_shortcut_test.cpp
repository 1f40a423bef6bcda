// The space-bar shortcut: the decision on its own, then on key presses sent
// through the application to real widgets in real windows.

#include "songs/playback_keyboard_shortcut.h"

#include "support/widgets/gui_wait.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace sorvalind::test {
namespace {

TEST(SpaceKeyPolicy, TogglesOnlyAPlainSpaceInTheActiveHostWindowOutsideText) {
    const SpaceKeyFacts plain{Qt::Key_Space, Qt::NoModifier, false, true, true, false, false};
    struct Case {
        const char* name;
        SpaceKeyFacts facts;
        SpaceKeyVerdict verdict;
    };
    auto with = [&](auto change) {
        SpaceKeyFacts facts = plain;
        change(facts);
        return facts;
    };
    const Case cases[] = {
        {"plain", plain, SpaceKeyVerdict::toggle},
        {"keypad", with([](auto& f) { f.modifiers = Qt::KeypadModifier; }), SpaceKeyVerdict::toggle},
        {"repeat", with([](auto& f) { f.autoRepeat = true; }), SpaceKeyVerdict::swallow},
        {"other key", with([](auto& f) { f.key = Qt::Key_A; }), SpaceKeyVerdict::pass},
        {"shift", with([](auto& f) { f.modifiers = Qt::ShiftModifier; }), SpaceKeyVerdict::pass},
        {"control", with([](auto& f) { f.modifiers = Qt::ControlModifier; }), SpaceKeyVerdict::pass},
        {"alt", with([](auto& f) { f.modifiers = Qt::AltModifier; }), SpaceKeyVerdict::pass},
        {"meta", with([](auto& f) { f.modifiers = Qt::MetaModifier; }), SpaceKeyVerdict::pass},
        {"altgr", with([](auto& f) { f.modifiers = Qt::GroupSwitchModifier; }), SpaceKeyVerdict::pass},
        {"other window", with([](auto& f) { f.inHostWindow = false; }), SpaceKeyVerdict::pass},
        {"inactive", with([](auto& f) { f.windowActive = false; }), SpaceKeyVerdict::pass},
        {"modal", with([](auto& f) { f.modalOrPopup = true; }), SpaceKeyVerdict::pass},
        {"typing", with([](auto& f) { f.typingText = true; }), SpaceKeyVerdict::pass},
        {"typing repeat", with([](auto& f) { f.typingText = f.autoRepeat = true; }), SpaceKeyVerdict::pass},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(judgeSpaceKey(c.facts), c.verdict);
    }
}

TEST(SpaceKeyPolicy, KnowsWhichWidgetsTakeTypedText) {
    QWidget window;
    auto* readOnly = new QLineEdit(&window);
    readOnly->setReadOnly(true);
    auto* readOnlyText = new QTextEdit(&window);
    readOnlyText->setReadOnly(true);
    auto* fixedCombo = new QComboBox(&window);
    auto* editableCombo = new QComboBox(&window);
    editableCombo->setEditable(true);
    auto* spin = new QSpinBox(&window);
    EXPECT_TRUE(isTypingText(new QLineEdit(&window)));
    EXPECT_FALSE(isTypingText(readOnly));
    EXPECT_TRUE(isTypingText(new QTextEdit(&window)));
    EXPECT_FALSE(isTypingText(readOnlyText));
    EXPECT_TRUE(isTypingText(new QPlainTextEdit(&window)));
    EXPECT_TRUE(isTypingText(new QKeySequenceEdit(&window)));
    EXPECT_TRUE(isTypingText(spin));
    EXPECT_TRUE(isTypingText(spin->findChild<QLineEdit*>()));
    EXPECT_TRUE(isTypingText(editableCombo->lineEdit()));
    EXPECT_FALSE(isTypingText(fixedCombo));
    EXPECT_FALSE(isTypingText(new QPushButton(&window)));
    EXPECT_FALSE(isTypingText(nullptr));
}

// A window with the shortcut, a button, a search field and a list.
struct ShortcutWindow {
    ShortcutWindow() {
        auto* column = new QVBoxLayout(&window);
        button = new QPushButton(QStringLiteral("Button"), &window);
        field = new QLineEdit(&window);
        list = new QListWidget(&window);
        auto* item = new QListWidgetItem(QStringLiteral("Row"), list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        for (QWidget* widget : std::initializer_list<QWidget*>{button, field, list})
            column->addWidget(widget);
        shortcut = new PlaybackKeyboardShortcut([this] { ++toggles; }, &window);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window.resize(300, 300);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Sends a key press to the focus widget as the platform would; true when
    // it came back accepted by someone.
    void press(QWidget* focus, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool repeat = false) {
        focus->setFocus();
        ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == focus; }));
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, modifiers, QStringLiteral(" "), repeat);
        QApplication::sendEvent(focus, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, modifiers, QStringLiteral(" "), repeat);
        QApplication::sendEvent(focus, &up);
    }

    QWidget window;
    QPushButton* button = nullptr;
    QLineEdit* field = nullptr;
    QListWidget* list = nullptr;
    PlaybackKeyboardShortcut* shortcut = nullptr;
    int toggles = 0;
    int clicks = 0;
};

TEST(PlaybackKeyboardShortcut, TogglesOnceAndTheFocusedButtonNeverSeesTheKey) {
    ShortcutWindow w;
    EXPECT_TRUE(w.shortcut->monitoring());
    w.press(w.button);
    EXPECT_EQ(w.toggles, 1);
    EXPECT_EQ(w.clicks, 0);
    // Held down: the repeats are swallowed without a toggle.
    w.press(w.button, Qt::NoModifier, true);
    w.press(w.button, Qt::NoModifier, true);
    EXPECT_EQ(w.toggles, 1);
    EXPECT_EQ(w.clicks, 0);
    w.press(w.list, Qt::KeypadModifier);
    EXPECT_EQ(w.toggles, 2);
}

TEST(PlaybackKeyboardShortcut, LeavesTypingModifiersAndOpenEditorsAlone) {
    ShortcutWindow w;
    w.press(w.field);
    EXPECT_EQ(w.field->text(), " ");
    w.press(w.button, Qt::ShiftModifier);
    w.press(w.button, Qt::ControlModifier);
    w.list->editItem(w.list->item(0));
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor, w.list);
    w.press(editor);
    EXPECT_EQ(w.toggles, 0);
}

TEST(PlaybackKeyboardShortcut, PassesTheKeyWhileAModalDialogIsUp) {
    ShortcutWindow w;
    QDialog dialog(&w.window);
    dialog.setModal(true);
    dialog.show();
    ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&dialog, &down);
    EXPECT_EQ(w.toggles, 0);
}

TEST(PlaybackKeyboardShortcut, PassesTheKeyOfAnotherWindow) {
    ShortcutWindow w;
    QWidget other;
    auto* otherButton = new QPushButton(QStringLiteral("Other"), &other);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    otherButton->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(otherButton, &down);
    EXPECT_EQ(w.toggles, 0);
}

TEST(PlaybackKeyboardShortcut, KeepsItsFilterOnlyWhileInAShownWindow) {
    ShortcutWindow w;
    w.window.hide();
    EXPECT_FALSE(w.shortcut->monitoring());
    w.window.show();
    EXPECT_TRUE(w.shortcut->monitoring());

    // Moved to another window: one filter, for the new one only.
    QWidget other;
    other.show();
    w.shortcut->setParent(&other);
    EXPECT_FALSE(w.shortcut->monitoring());
    w.shortcut->show();
    EXPECT_TRUE(w.shortcut->monitoring());
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    // The key now belongs to a window without the shortcut: the button
    // takes it.
    w.press(w.button);
    EXPECT_EQ(w.toggles, 0);
    EXPECT_EQ(w.clicks, 1);

    delete w.shortcut;
    w.press(w.list);
    EXPECT_EQ(w.toggles, 0);
}

} // namespace
} // namespace sorvalind::test
