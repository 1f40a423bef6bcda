#pragma once
// The space bar plays and pauses in the library window, unless text is
// being typed, a modal window, dialog or popup is up, a modifier is held, or
// the key belongs to another window. The shortcut is an invisible widget:
// while it is in a window it keeps one application event filter, and it
// removes that filter when hidden, destroyed or moved to another parent.
// A handled press reaches no other widget; held down, the key toggles once
// and its repeats are swallowed.
//
// GUI thread only.

#include <QKeyEvent>
#include <QWidget>

#include <functional>
#include <memory>

namespace sorvalind {

// What the decision needs to know of one key press.
struct SpaceKeyFacts {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    bool autoRepeat = false;
    // The press belongs to the shortcut's window and that window is active.
    bool inHostWindow = false;
    bool windowActive = false;
    // A modal widget or window, or a popup, is up.
    bool modalOrPopup = false;
    // The focus is in text the user can type into.
    bool typingText = false;
};

enum class SpaceKeyVerdict { pass, swallow, toggle };

SpaceKeyVerdict judgeSpaceKey(const SpaceKeyFacts& facts);

// Whether `focus` (or the spin box, editable combo box or editing item view
// it belongs to) takes typed text.
bool isTypingText(const QWidget* focus);

class PlaybackKeyboardShortcut : public QWidget {
    Q_OBJECT
public:
    PlaybackKeyboardShortcut(std::function<void()> toggle, QWidget* parent = nullptr);
    ~PlaybackKeyboardShortcut() override;

    void setToggle(std::function<void()> toggle) { toggle_ = std::move(toggle); }
    bool monitoring() const noexcept { return monitor_ != nullptr; }

protected:
    bool event(QEvent* event) override;

private:
    class Monitor;
    friend class Monitor;

    void startMonitoring();
    void stopMonitoring();
    // True when the press was handled and must go no further.
    bool consume(QObject* receiver, QKeyEvent* event);

    std::function<void()> toggle_;
    std::unique_ptr<QObject> monitor_;
};

} // namespace sorvalind
