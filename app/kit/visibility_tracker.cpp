#include "kit/visibility_tracker.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace sorvalind {

bool isTileVisible(const QRectF& tile, const QRectF& viewport) {
    const qreal area = tile.width() * tile.height();
    if (!(area > 0)) return false;
    const QRectF shown = tile.intersected(viewport);
    return shown.width() * shown.height() >= area * 0.01;
}

VisibilityTracker::VisibilityTracker(QAbstractScrollArea& area) : QObject(&area), area_(&area) {
    area.installEventFilter(this);
    area.viewport()->installEventFilter(this);
    for (QScrollBar* bar : {area.verticalScrollBar(), area.horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { schedule(); });
}

void VisibilityTracker::track(QWidget* tile, std::function<void(bool)> changed) {
    if (!tile) return;
    untrack(tile);
    tile->installEventFilter(this);
    // The first verdict comes at once (a tile not laid out yet is not
    // visible), so a tile far down a long grid never starts a download.
    const bool visible = verdict(tile);
    entries_.push_back({tile, changed, int(visible)});
    if (changed) changed(visible);
    schedule();
}

bool VisibilityTracker::verdict(QWidget* tile) const {
    if (!area_) return false;
    QWidget* viewport = area_->viewport();
    if (!viewport->isVisible() || !viewport->isAncestorOf(tile) || !tile->isVisibleTo(viewport)) return false;
    const QRectF rect(tile->mapTo(viewport, QPoint(0, 0)), QSizeF(tile->size()));
    return isTileVisible(rect, QRectF(viewport->rect()));
}

void VisibilityTracker::untrack(QWidget* tile) {
    std::erase_if(entries_, [tile](const Entry& entry) { return !entry.tile || entry.tile == tile; });
    if (tile) tile->removeEventFilter(this);
}

bool VisibilityTracker::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::LayoutRequest:
        schedule();
        break;
    default:
        break;
    }
    return false;
}

void VisibilityTracker::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        evaluate();
    });
}

void VisibilityTracker::evaluate() {
    if (!area_) return;
    // A verdict's handler may track or untrack tiles: work on a copy.
    std::vector<std::pair<QPointer<QWidget>, bool>> changes;
    std::erase_if(entries_, [](const Entry& entry) { return !entry.tile; });
    for (Entry& entry : entries_) {
        QWidget* tile = entry.tile;
        const bool visible = verdict(tile);
        if (entry.last == int(visible)) continue;
        entry.last = int(visible);
        changes.emplace_back(tile, visible);
    }
    for (const auto& [tile, visible] : changes) {
        if (!tile) continue;
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& entry) { return entry.tile == tile; });
        if (found != entries_.end() && found->changed) {
            const auto changed = found->changed;
            changed(visible);
        }
    }
}

} // namespace sorvalind
