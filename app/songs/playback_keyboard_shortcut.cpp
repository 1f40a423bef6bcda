#include "songs/playback_keyboard_shortcut.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

namespace sorvalind {

SpaceKeyVerdict judgeSpaceKey(const SpaceKeyFacts& facts) {
    constexpr Qt::KeyboardModifiers held = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                           Qt::MetaModifier | Qt::GroupSwitchModifier;
    if (facts.key != Qt::Key_Space || (facts.modifiers & held)) return SpaceKeyVerdict::pass;
    if (!facts.inHostWindow || !facts.windowActive) return SpaceKeyVerdict::pass;
    if (facts.modalOrPopup || facts.typingText) return SpaceKeyVerdict::pass;
    if (facts.autoRepeat) return SpaceKeyVerdict::swallow;
    return SpaceKeyVerdict::toggle;
}

bool isTypingText(const QWidget* focus) {
    if (!focus) return false;
    if (const auto* line = qobject_cast<const QLineEdit*>(focus); line && !line->isReadOnly()) return true;
    if (const auto* text = qobject_cast<const QTextEdit*>(focus); text && !text->isReadOnly()) return true;
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus); plain && !plain->isReadOnly())
        return true;
    if (qobject_cast<const QKeySequenceEdit*>(focus)) return true;
    // The focus may sit in a part of a compound editor.
    for (const QWidget* widget = focus; widget; widget = widget->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(widget)) return true;
        if (const auto* combo = qobject_cast<const QComboBox*>(widget); combo && combo->isEditable())
            return true;
        // An item view's editors are the only focusable widgets inside it.
        if (widget != focus && qobject_cast<const QAbstractItemView*>(widget)) return true;
        if (widget->isWindow()) break;
    }
    return false;
}

class PlaybackKeyboardShortcut::Monitor : public QObject {
public:
    explicit Monitor(PlaybackKeyboardShortcut& host) : host_(host) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        return host_.consume(watched, static_cast<QKeyEvent*>(event));
    }

private:
    PlaybackKeyboardShortcut& host_;
};

PlaybackKeyboardShortcut::PlaybackKeyboardShortcut(std::function<void()> toggle, QWidget* parent)
    : QWidget(parent), toggle_(std::move(toggle)) {
    setObjectName(QStringLiteral("playbackKeyboardShortcut"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(0, 0);
}

PlaybackKeyboardShortcut::~PlaybackKeyboardShortcut() {
    stopMonitoring();
}

bool PlaybackKeyboardShortcut::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        startMonitoring();
        break;
    case QEvent::Hide:
        stopMonitoring();
        break;
    case QEvent::ParentChange:
        // A new parent may be in another window: start over for that one.
        stopMonitoring();
        if (isVisible()) startMonitoring();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void PlaybackKeyboardShortcut::startMonitoring() {
    if (monitor_ || !qApp) return;
    monitor_ = std::make_unique<Monitor>(*this);
    qApp->installEventFilter(monitor_.get());
}

void PlaybackKeyboardShortcut::stopMonitoring() {
    if (!monitor_) return;
    if (qApp) qApp->removeEventFilter(monitor_.get());
    monitor_.reset();
}

bool PlaybackKeyboardShortcut::consume(QObject* receiver, QKeyEvent* event) {
    // A press travels from its first receiver up through the parents, and
    // the application's filters see every step: judge it at the first only.
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget) return false;
    QWidget* first = QWidget::keyboardGrabber();
    if (!first) first = QApplication::focusWidget();
    if (first ? widget != first : widget != widget->window()) return false;

    SpaceKeyFacts facts;
    facts.key = event->key();
    facts.modifiers = event->modifiers();
    facts.autoRepeat = event->isAutoRepeat();
    facts.inHostWindow = widget->window() == window();
    facts.windowActive = window()->isActiveWindow();
    facts.modalOrPopup = QApplication::activeModalWidget() || QGuiApplication::modalWindow() ||
                         QApplication::activePopupWidget();
    facts.typingText = isTypingText(QApplication::focusWidget());
    switch (judgeSpaceKey(facts)) {
    case SpaceKeyVerdict::pass:
        return false;
    case SpaceKeyVerdict::swallow:
        return true;
    case SpaceKeyVerdict::toggle: {
        // The action may end this widget; it runs on a copy.
        const auto toggle = toggle_;
        if (toggle) toggle();
        return true;
    }
    }
    return false;
}

} // namespace sorvalind
