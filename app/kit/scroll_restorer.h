#pragma once
// Puts a ScrollRestoration on a scroll area (a QScrollArea or an item view
// scrolling per pixel): the vertical scroll bar gives the offset, its range
// plus the viewport the content height. A new key starts a fresh state and
// puts the area back at the top, as a new page would start. Give the new key
// before the new content and with `ready` false until that content is final,
// so that the old page's height never decides where the new one lands.
//
// GUI thread only.

#include "kit/scroll_restoration.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAbstractScrollArea;

namespace sorvalind {

class AppModel;

class ScrollRestorer : public QObject {
    Q_OBJECT

public:
    ScrollRestorer(QAbstractScrollArea& area, ScrollRestoration::Offsets& offsets,
                   ScrollRestoration::IsCurrent isCurrent);
    // Over the model's offsets and its current route and search text.
    ScrollRestorer(QAbstractScrollArea& area, AppModel& model);

    void setKey(BrowseScrollKey key, bool ready);
    void setReady(bool ready);
    // None before the first key.
    const ScrollRestoration* state() const noexcept { return state_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void geometryChanged();
    void scrollTo(std::optional<double> target);

    QPointer<QAbstractScrollArea> area_;
    ScrollRestoration::Offsets& offsets_;
    ScrollRestoration::IsCurrent isCurrent_;
    std::unique_ptr<ScrollRestoration> state_;
};

} // namespace sorvalind
