#pragma once
// The player bar's volume slider (0 … 1000 for the controller's 0 … 1). It
// takes every wheel event over it, so that scrolling there never scrolls
// the page behind; a notched wheel moves 0.02 per notch and a precise
// (trackpad) scroll 0.002 per pixel, counted from the controller's own
// volume rather than the slider's coarser steps. Momentum scrolling after
// the fingers have lifted, and any scroll over a disabled slider, change
// nothing. A value that does not change writes nothing.
//
// GUI thread only.

#include <QPoint>
#include <QSlider>

#include <optional>

class QWheelEvent;

namespace sorvalind {

// The volume after one wheel event, or none when it changes nothing.
std::optional<double> wheeledVolume(double volume, QPoint pixelDelta, QPoint angleDelta);

class VolumeSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int steps = 1000;
    static constexpr int fixedWidth = 75;

    explicit VolumeSlider(QWidget* parent = nullptr);

    // The controller's volume, 0 … 1; shown without writing it back.
    void showVolume(double volume);
    double volume() const noexcept { return volume_; }

signals:
    // The user chose a new volume.
    void volumeWritten(double volume);

protected:
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void write(double volume);

    double volume_ = 0;
};

} // namespace sorvalind
