#include "songs/buffering_spinner.h"

#include "kit/text_styles.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimerEvent>

namespace sorvalind {
namespace {

bool spinnerStaysStill() {
    return QGuiApplication::platformName() == QStringLiteral("offscreen");
}

} // namespace

BufferingSpinner::BufferingSpinner(int side, QWidget* parent) : QWidget(parent), side_(side) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BufferingSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal thickness = side_ >= 16 ? 2.0 : 1.5;
    QPen pen(secondaryTextColor(palette()), thickness);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    const qreal inset = thickness;
    painter.drawArc(QRectF(rect()).adjusted(inset, inset, -inset, -inset), -angle_ * 16, 270 * 16);
}

void BufferingSpinner::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
    angle_ = (angle_ + 30) % 360;
    update();
}

void BufferingSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!spinnerStaysStill()) timer_.start(80, this);
}

void BufferingSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace sorvalind
