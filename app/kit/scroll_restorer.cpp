#include "kit/scroll_restorer.h"

#include "model/app_model.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>

#include <cmath>

namespace sorvalind {

ScrollRestorer::ScrollRestorer(QAbstractScrollArea& area, ScrollRestoration::Offsets& offsets,
                               ScrollRestoration::IsCurrent isCurrent)
    : QObject(&area), area_(&area), offsets_(offsets), isCurrent_(std::move(isCurrent)) {
    QScrollBar* bar = area.verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] { geometryChanged(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this] { geometryChanged(); });
    area.viewport()->installEventFilter(this);
}

ScrollRestorer::ScrollRestorer(QAbstractScrollArea& area, AppModel& model)
    : ScrollRestorer(area, model.browseScrollOffsets(),
                     [&model](const BrowseScrollKey& key) { return model.isCurrent(key); }) {}

void ScrollRestorer::setKey(BrowseScrollKey key, bool ready) {
    if (state_ && state_->key() == key) {
        setReady(ready);
        return;
    }
    state_ = std::make_unique<ScrollRestoration>(std::move(key), offsets_, isCurrent_);
    // The new page starts at the top; the old page's offset is not this one's.
    if (area_) {
        const QSignalBlocker quiet(area_->verticalScrollBar());
        area_->verticalScrollBar()->setValue(area_->verticalScrollBar()->minimum());
    }
    scrollTo(state_->setReady(ready));
    geometryChanged();
}

void ScrollRestorer::setReady(bool ready) {
    if (!state_) return;
    scrollTo(state_->setReady(ready));
}

bool ScrollRestorer::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Resize) geometryChanged();
    return false;
}

void ScrollRestorer::geometryChanged() {
    if (!state_ || !area_) return;
    const QScrollBar* bar = area_->verticalScrollBar();
    const double viewport = area_->viewport()->height();
    const ScrollRestoration::Geometry geometry{double(bar->value()), double(bar->maximum()) + viewport,
                                               viewport};
    scrollTo(state_->geometryChanged(geometry));
}

void ScrollRestorer::scrollTo(std::optional<double> target) {
    if (!target || !area_) return;
    area_->verticalScrollBar()->setValue(static_cast<int>(std::lround(*target)));
}

} // namespace sorvalind
