#include "songs/volume_slider.h"

#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace sorvalind {
namespace {

constexpr double volumePreciseStep = 0.002;
constexpr double volumeNotchStep = 0.02;
constexpr double volumeNotch = 120.0;

} // namespace

std::optional<double> wheeledVolume(double volume, QPoint pixelDelta, QPoint angleDelta) {
    const bool precise = !pixelDelta.isNull();
    const double delta =
        precise ? pixelDelta.y() * volumePreciseStep : angleDelta.y() / volumeNotch * volumeNotchStep;
    if (delta == 0 || !std::isfinite(delta)) return std::nullopt;
    const double next = std::min(std::max(volume + delta, 0.0), 1.0);
    if (next == volume) return std::nullopt;
    return next;
}

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, steps);
    setSingleStep(steps / 50);
    setPageStep(steps / 10);
    setFixedWidth(fixedWidth);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Volume"));
    setToolTip(QStringLiteral("Scroll to adjust volume"));
    connect(this, &QSlider::valueChanged, this, [this](int value) { write(double(value) / steps); });
}

void VolumeSlider::showVolume(double volume) {
    volume_ = volume;
    const QSignalBlocker blocker(this);
    setValue(static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * steps)));
}

bool VolumeSlider::event(QEvent* event) {
    // A disabled widget would hand the wheel on to the page behind it.
    if (event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QSlider::event(event);
}

void VolumeSlider::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (!isEnabled() || event->phase() == Qt::ScrollMomentum) return;
    if (const auto next = wheeledVolume(volume_, event->pixelDelta(), event->angleDelta())) {
        showVolume(*next);
        emit volumeWritten(*next);
    }
}

void VolumeSlider::write(double volume) {
    if (volume == volume_) return;
    volume_ = volume;
    emit volumeWritten(volume);
}

} // namespace sorvalind
