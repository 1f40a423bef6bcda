#include "songs/position_slider.h"

#include "songs/player_bar_state.h"

#include <QEvent>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>

namespace sorvalind {
namespace {

// A left click anywhere on the groove moves the thumb there, as a media
// player's position bar is expected to behave.
class AbsoluteClickStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

int positionMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    return static_cast<int>(std::lround(std::min(seconds * 1000.0, 2.0e9)));
}

} // namespace

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new AbsoluteClickStyle;
    style->setParent(this);
    setStyle(style);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Playback position"));
    setSingleStep(stepMilliseconds);
    showPosition(0, 0);
    connect(this, &QSlider::sliderPressed, this, &PositionSlider::pressed);
    connect(this, &QSlider::sliderMoved, this, &PositionSlider::moved);
    connect(this, &QSlider::sliderReleased, this, &PositionSlider::released);
    connect(this, &QSlider::actionTriggered, this, &PositionSlider::stepped);
}

void PositionSlider::showPosition(double position, double duration) {
    position_ = position;
    if (seeking_) return;
    const QSignalBlocker blocker(this);
    const int maximum = positionMilliseconds(positionRange(duration));
    setRange(0, maximum);
    setPageStep(std::max(1, maximum / 100 * pagePercent));
    setValue(positionMilliseconds(position));
    emit shownChanged();
}

double PositionSlider::shownSeconds() const {
    return seeking_ ? proposed_ : value() / 1000.0;
}

void PositionSlider::pressed() {
    // After a groove click the thumb already stands where the user clicked.
    proposed_ = sliderPosition() / 1000.0;
    seeking_ = true;
    emit shownChanged();
}

void PositionSlider::moved(int value) {
    if (!seeking_) return;
    proposed_ = value / 1000.0;
    emit shownChanged();
}

void PositionSlider::released() {
    if (!seeking_) return;
    seeking_ = false;
    emit seekRequested(proposed_);
    emit shownChanged();
}

void PositionSlider::stepped(int action) {
    switch (action) {
    case SliderSingleStepAdd:
    case SliderSingleStepSub:
    case SliderPageStepAdd:
    case SliderPageStepSub:
    case SliderToMinimum:
    case SliderToMaximum:
        // The slider position already holds the step's target.
        if (!isSliderDown()) emit seekRequested(sliderPosition() / 1000.0);
        break;
    default:
        break;
    }
}

void PositionSlider::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void PositionSlider::hideEvent(QHideEvent* event) {
    abandonDrag();
    QSlider::hideEvent(event);
}

void PositionSlider::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) abandonDrag();
    QSlider::changeEvent(event);
}

void PositionSlider::abandonDrag() {
    if (!seeking_) return;
    seeking_ = false;
    {
        const QSignalBlocker blocker(this);
        setSliderDown(false);
    }
    showPosition(position_, maximum() / 1000.0);
}

} // namespace sorvalind
