#include "library_window/statistics_widgets.h"

#include "kit/text_styles.h"
#include "library_window/statistics_presenter.h"

#include <QGridLayout>
#include <QLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>

namespace sorvalind {

namespace {

// The faintest text style: the text colour, mostly transparent.
QColor quaternary(const QPalette& palette, qreal opacity) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.3 * opacity);
    return color;
}

} // namespace

RoundedPanel::RoundedPanel(Fill fill, qreal radius, qreal opacity, QWidget* parent)
    : QWidget(parent), fill_(fill), radius_(radius), opacity_(opacity) {}

void RoundedPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF area = rect();
    if (fill_ == Fill::heroGradient) {
        QLinearGradient gradient(area.topLeft(), area.bottomRight());
        gradient.setColorAt(0, QColor::fromRgbF(0.24f, 0.16f, 0.54f));
        gradient.setColorAt(1, QColor::fromRgbF(0.08f, 0.30f, 0.38f));
        painter.setBrush(gradient);
    } else {
        painter.setBrush(quaternary(palette(), opacity_));
    }
    painter.drawRoundedRect(area, radius_, radius_);
}

StatisticsRowButton::StatisticsRowButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // A button keeps its preferred width by default; a row gives way to a
    // narrow card and elides its texts.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize StatisticsRowButton::sizeHint() const {
    return layout() ? layout()->sizeHint() : QSize();
}

QSize StatisticsRowButton::minimumSizeHint() const {
    return layout() ? layout()->minimumSize() : QSize();
}

bool StatisticsRowButton::hasHeightForWidth() const {
    return layout() && layout()->hasHeightForWidth();
}

int StatisticsRowButton::heightForWidth(int width) const {
    return layout() ? layout()->totalHeightForWidth(width) : -1;
}

void StatisticsRowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool focused = hasFocus();
    if (focused || hovered_ || isDown()) {
        QColor fill = accentColor();
        fill.setAlphaF(0.15f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(area, 10, 10);
    }
    if (focused) {
        painter.setPen(QPen(accentColor(), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area, 10, 10);
    }
}

void StatisticsRowButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void StatisticsRowButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

StatisticsRankingGrid::StatisticsRankingGrid(std::vector<QWidget*> cards, int minimumWidth, QWidget* parent)
    : QWidget(parent), cards_(std::move(cards)), minimum_(minimumWidth), grid_(new QGridLayout(this)) {
    grid_->setContentsMargins(0, 0, 0, 0);
    grid_->setSpacing(24);
    // The width decides the columns, so the columns must not decide the
    // narrowest width.
    grid_->setSizeConstraint(QLayout::SetNoConstraint);
    for (QWidget* card : cards_)
        card->setParent(this);
    arrange(1);
}

QSize StatisticsRankingGrid::minimumSizeHint() const {
    int width = 0;
    for (const QWidget* card : cards_)
        width = std::max(width, card->minimumSizeHint().width());
    return {width, 0};
}

void StatisticsRankingGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int columns = statisticsRankingColumns(event->size().width(), minimum_);
    if (columns != columns_) arrange(columns);
}

void StatisticsRankingGrid::arrange(int columns) {
    columns_ = columns;
    for (QWidget* card : cards_)
        grid_->removeWidget(card);
    for (int column = 0; column < grid_->columnCount(); ++column)
        grid_->setColumnStretch(column, 0);
    for (std::size_t i = 0; i < cards_.size(); ++i)
        grid_->addWidget(cards_[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns,
                         Qt::AlignTop);
    for (int column = 0; column < columns; ++column)
        grid_->setColumnStretch(column, 1);
}

} // namespace sorvalind
