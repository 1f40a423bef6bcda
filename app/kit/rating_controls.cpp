#include "kit/rating_controls.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace sorvalind {

int effectiveRating(std::optional<std::int64_t> rating) {
    return rating ? static_cast<int>(std::clamp<std::int64_t>(*rating, 0, 5)) : 0;
}

QString ratingItemText(int value) {
    if (value == 0) return QStringLiteral("No Rating");
    return QString::number(value) + (value == 1 ? QStringLiteral(" star") : QStringLiteral(" stars"));
}

QMenu* addRatingMenu(QMenu& menu, std::optional<std::int64_t> rating, RatingCallback onRate) {
    QMenu* submenu = menu.addMenu(symbolIcon(QStringLiteral("star"), menu.palette().color(QPalette::Text)),
                                  QStringLiteral("Rating"));
    auto* group = new QActionGroup(submenu);
    group->setExclusive(true);
    const int current = effectiveRating(rating);
    auto shared = std::make_shared<RatingCallback>(std::move(onRate));
    for (int value = 0; value <= 5; ++value) {
        QAction* item = submenu->addAction(ratingItemText(value));
        item->setCheckable(true);
        item->setChecked(value == current);
        item->setData(value);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, item, [shared, value] {
            if (*shared) (*shared)(value);
        });
    }
    return submenu;
}

namespace {

// A borderless button whose checked state is only for assistive technology:
// the filled symbol already shows the rating, so no pressed-in frame.
class SymbolButton final : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.state &= ~QStyle::State_On;
        if (!isDown()) option.state &= ~QStyle::State_Sunken;
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
    }
};

QToolButton* makeSymbolButton(QWidget* parent) {
    auto* button = new SymbolButton(parent);
    button->setAutoRaise(true);
    button->setFixedSize(22, 24);
    button->setIconSize(QSize(16, 16));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

StarRatingControl::StarRatingControl(std::optional<std::int64_t> rating, QString itemName,
                                     std::optional<QColor> foreground, RatingCallback onRate, QWidget* parent)
    : QWidget(parent), rating_(effectiveRating(rating)), itemName_(std::move(itemName)),
      foreground_(std::move(foreground)), onRate_(std::move(onRate)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (int value = 1; value <= 5; ++value) {
        QToolButton* button = makeSymbolButton(this);
        // Checkable only to carry the selected state; the state shown is the
        // rating given, whatever a click would toggle.
        button->setCheckable(true);
        connect(button, &QToolButton::clicked, this, [this, value] {
            refresh();
            if (onRate_) onRate_(value);
        });
        stars_[static_cast<std::size_t>(value - 1)] = button;
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    clear_ = makeSymbolButton(this);
    clear_->setToolTip(QStringLiteral("Clear rating"));
    connect(clear_, &QToolButton::clicked, this, [this] {
        if (onRate_) onRate_(0);
    });
    row->addWidget(clear_, 0, Qt::AlignVCenter);
    refresh();
}

void StarRatingControl::setRating(std::optional<std::int64_t> rating) {
    rating_ = effectiveRating(rating);
    refresh();
}

void StarRatingControl::setItemName(const QString& itemName) {
    itemName_ = itemName;
    refresh();
}

void StarRatingControl::setForeground(std::optional<QColor> foreground) {
    foreground_ = std::move(foreground);
    refresh();
}

void StarRatingControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) refresh();
}

void StarRatingControl::refresh() {
    const QColor secondary = secondaryTextColor(palette());
    setAccessibleName(QStringLiteral("Rating for ") + itemName_);
    setAccessibleDescription(rating_ == 0 ? QStringLiteral("No rating")
                                          : QString::number(rating_) + QStringLiteral(" out of 5 stars"));
    for (int value = 1; value <= 5; ++value) {
        QToolButton* button = star(value);
        const bool filled = value <= rating_;
        button->setIcon(symbolIcon(filled ? QStringLiteral("star.fill") : QStringLiteral("star"),
                                   foreground_.value_or(filled ? accentColor() : secondary)));
        button->setChecked(value == rating_);
        const QString help = QStringLiteral("Rate ") + itemName_ + QLatin1Char(' ') + QString::number(value) +
                             (value == 1 ? QStringLiteral(" star") : QStringLiteral(" stars"));
        button->setToolTip(help);
        button->setAccessibleName(help);
    }
    clear_->setIcon(symbolIcon(QStringLiteral("xmark.circle"), foreground_.value_or(secondary)));
    clear_->setEnabled(rating_ != 0);
    clear_->setAccessibleName(QStringLiteral("Clear rating for ") + itemName_);
}

} // namespace sorvalind
