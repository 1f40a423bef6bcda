#include "shell/reset_views.h"
#include "shell/qt_text.h"

#include "shell/reset_texts.h"

#include "kit/dialogs.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "model/app_coordinator.h"

#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

namespace sorvalind {

namespace {

// The destructive red of the button, and its geometry.
const QColor resetRed = QColor::fromRgbF(0.78f, 0.1f, 0.15f);
constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 10;
constexpr qreal cornerRadius = 8;
constexpr qreal focusRingWidth = 3;
constexpr qreal pressedOpacity = 0.75;

} // namespace

ResetAppButton::ResetAppButton(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent)
    : QPushButton(parent), coordinator_(std::move(coordinator)), watch_(new ModelAdapter(this)) {
    setText(menuText(toQString(ResetTexts::resetButton)));
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QPushButton::clicked, this, &ResetAppButton::confirm);
    watch_->watch(coordinator_->isResetting());
    watch_->watch(coordinator_->isConnecting());
    connect(watch_, &ModelAdapter::modelChanged, this, &ResetAppButton::render);
    render();
}

void ResetAppButton::render() {
    setEnabled(!coordinator_->isResetting().value() && !coordinator_->isConnecting().value());
}

void ResetAppButton::confirm() {
    if (confirmation_) return;
    const MessageDialog message{
        .icon = QMessageBox::Warning,
        .title = toQString(ResetTexts::confirmTitle),
        .text = toQString(ResetTexts::confirmTitle),
        .informativeText = toQString(ResetTexts::confirmMessage),
        .buttons = QMessageBox::Discard | QMessageBox::Cancel,
        // Deleting everything is never what Return or Escape does.
        .defaultButton = QMessageBox::Cancel,
        .escapeButton = QMessageBox::Cancel,
    };
    confirmation_ =
        openMessage(window(), message, [coordinator = coordinator_](QMessageBox::StandardButton answer) {
            // The reset runs on without the button; its outcome is the coordinator's.
            if (answer == QMessageBox::Discard) coordinator->reset();
        });
    confirmation_->button(QMessageBox::Discard)->setText(menuText(toQString(ResetTexts::deleteEverything)));
    confirmation_->button(QMessageBox::Cancel)->setText(menuText(toQString(ResetTexts::cancel)));
    // Wide enough that the warning reads as a paragraph, not a column.
    confirmation_->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 380px; }"));
}

QPushButton* ResetAppButton::deleteButton() const {
    return confirmation_ ? qobject_cast<QPushButton*>(confirmation_->button(QMessageBox::Discard)) : nullptr;
}

QSize ResetAppButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, QPushButton::text());
    return {text.width() + 2 * horizontalPadding, text.height() + 2 * verticalPadding};
}

void ResetAppButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown()) painter.setOpacity(pressedOpacity);
    if (!isEnabled()) painter.setOpacity(0.45);

    const qreal inset = focusRingWidth / 2;
    const QRectF frame = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(shape, resetRed);
    // The keyboard-focus ring: always laid out, drawn only with focus.
    if (hasFocus()) painter.strokePath(shape, QPen(palette().color(QPalette::WindowText), focusRingWidth));

    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, QPushButton::text());
}

} // namespace sorvalind
