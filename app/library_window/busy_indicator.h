#pragma once
// A small spinning arc for work under way (the toolbar's loading and
// refreshing indicators); it turns only while shown.
//
// GUI thread only.

#include <QBasicTimer>
#include <QWidget>

namespace sorvalind {

class BusyIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int side = 24;

    explicit BusyIndicator(const QString& help, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QBasicTimer timer_;
    int angle_ = 0;
};

} // namespace sorvalind
