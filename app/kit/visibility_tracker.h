#pragma once
// Which tiles of a scroll area are on screen: a tile counts as visible when
// at least 1 % of its area lies inside the viewport. The verdicts are worked
// out again once per turn of the event loop after the area scrolls, resizes,
// shows or hides, or a tile moves, resizes, shows or hides; a tile on a
// hidden page (any hidden ancestor) is not visible, so it releases its image.
// Each tile hears its first verdict when it is tracked, then only changes.
//
// GUI thread only.

#include <QObject>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <vector>

class QAbstractScrollArea;
class QWidget;

namespace sorvalind {

// At least 1 % of `tile`'s area inside `viewport`; an empty tile never is.
bool isTileVisible(const QRectF& tile, const QRectF& viewport);

class VisibilityTracker : public QObject {
    Q_OBJECT

public:
    explicit VisibilityTracker(QAbstractScrollArea& area);

    // `tile` is a widget inside the area's viewport; `changed` runs with each
    // new verdict (from the next loop turn on) for as long as the tile lives.
    void track(QWidget* tile, std::function<void(bool)> changed);
    void untrack(QWidget* tile);
    // Works out every verdict now (also what the queued turn does).
    void evaluate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> tile;
        std::function<void(bool)> changed;
        int last = -1; // the verdict last told
    };

    void schedule();
    bool verdict(QWidget* tile) const;

    QPointer<QAbstractScrollArea> area_;
    std::vector<Entry> entries_;
    bool scheduled_ = false;
};

} // namespace sorvalind
