#pragma once
// A small spinning arc shown while audio loads. It turns only while shown
// and never on the offscreen platform, so that screenshots and tests see
// one still picture.
//
// GUI thread only.

#include <QBasicTimer>
#include <QWidget>

namespace sorvalind {

class BufferingSpinner : public QWidget {
    Q_OBJECT
public:
    BufferingSpinner(int side, QWidget* parent = nullptr);

    bool animating() const noexcept { return timer_.isActive(); }
    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int side_;
    int angle_ = 90;
    QBasicTimer timer_;
};

} // namespace sorvalind
