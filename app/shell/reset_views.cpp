#include "shell/reset_views.h"
#include "shell/qt_text.h"

#include "shell/reset_texts.h"

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
    : QPushButton(parent), coordinator_(std::move(coordinator)), refresh_(this, [this] { render(); }) {
    setText(PlainText::buttonTitle(ResetTexts::resetButton));
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QPushButton::clicked, this, &ResetAppButton::confirm);
    refresh_.watch(coordinator_->isResetting());
    refresh_.watch(coordinator_->isConnecting());
    render();
}

void ResetAppButton::render() {
    setEnabled(!coordinator_->isResetting().value() && !coordinator_->isConnecting().value());
}

void ResetAppButton::confirm() {
    if (confirmation_) return;
    auto* box = new QMessageBox(window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setWindowTitle(toQString(ResetTexts::confirmTitle));
    box->setText(toQString(ResetTexts::confirmTitle));
    box->setInformativeText(toQString(ResetTexts::confirmMessage));
    // Wide enough that the warning reads as a paragraph, not a column.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 380px; }"));
    auto* erase = box->addButton(PlainText::buttonTitle(ResetTexts::deleteEverything), QMessageBox::DestructiveRole);
    auto* cancel = box->addButton(PlainText::buttonTitle(ResetTexts::cancel), QMessageBox::RejectRole);
    // Deleting everything is never what Return or Escape does.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    confirmation_ = box;
    delete_ = erase;
    connect(box, &QMessageBox::buttonClicked, this, [this, erase](QAbstractButton* clicked) {
        if (clicked != erase) return;
        // The reset runs on without us; its outcome is the coordinator's.
        coordinator_->reset();
    });
    box->open();
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
