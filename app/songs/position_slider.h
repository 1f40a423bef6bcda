#pragma once
// The player bar's position slider, in milliseconds over 0 … the song's
// length (at least one second). A drag shows the proposed position and
// seeks once, on release; a left click on the groove jumps there and seeks
// once; a key or page step seeks at once. The controller's position is
// shown only while no drag is under way, and never echoes back as a seek.
// The wheel is left to the enclosing view, so scrolling a page over the bar
// never moves the song. Hiding or disabling the slider mid-drag ends the
// drag without a seek.
//
// GUI thread only.

#include <QSlider>

#include <functional>

namespace sorvalind {

class PositionSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int stepMilliseconds = 5000;
    static constexpr int pagePercent = 10;

    explicit PositionSlider(QWidget* parent = nullptr);

    // The controller's values, in seconds.
    void showPosition(double position, double duration);

    bool seeking() const noexcept { return seeking_; }
    // The seconds the slider shows: the proposal while dragging.
    double shownSeconds() const;

signals:
    void seekRequested(double seconds);
    // The shown position changed (a drag step or a new controller value).
    void shownChanged();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void pressed();
    void moved(int value);
    void released();
    void stepped(int action);
    void abandonDrag();

    bool seeking_ = false;
    double proposed_ = 0;
    double position_ = 0;
};

} // namespace sorvalind
