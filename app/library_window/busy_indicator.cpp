#include "library_window/busy_indicator.h"

#include "kit/text_styles.h"

#include <QPainter>
#include <QTimerEvent>

namespace sorvalind {

BusyIndicator::BusyIndicator(const QString& help, QWidget* parent) : QWidget(parent) {
    setFixedSize(side, side);
    setToolTip(help);
    setAccessibleName(help);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(secondaryTextColor(palette()), 2.0);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    const QRectF ring = QRectF(rect()).adjusted(6, 6, -6, -6);
    painter.drawArc(ring, -angle_ * 16, 270 * 16);
}

void BusyIndicator::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) return QWidget::timerEvent(event);
    angle_ = (angle_ + 30) % 360;
    update();
}

void BusyIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_.start(80, this);
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

} // namespace sorvalind
