#pragma once
// Re-renders a view after model values change: each change is taken out of
// the model's call stack and coalesced into one render per event-loop turn,
// which re-reads every value. GUI thread only.

#include "runtime/published.h"
#include "runtime/subscription.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace sorvalind {

class ViewRefresh {
public:
    ViewRefresh(QObject* owner, std::function<void()> render)
        : owner_(owner), render_(std::move(render)), pending_(std::make_shared<bool>(false)) {}
    ViewRefresh(const ViewRefresh&) = delete;
    ViewRefresh& operator=(const ViewRefresh&) = delete;

    template <class T> void watch(const Published<T>& value) {
        subscriptions_.push_back(value.subscribe([this](const T&) { schedule(); }));
    }
    // Stops following every value watched so far.
    void clear() { subscriptions_.clear(); }
    void schedule() {
        if (*pending_ || !owner_) return;
        *pending_ = true;
        QMetaObject::invokeMethod(
            owner_.data(),
            [pending = pending_, render = render_] {
                *pending = false;
                render();
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<QObject> owner_;
    std::function<void()> render_;
    std::shared_ptr<bool> pending_;
    std::vector<Subscription> subscriptions_;
};

} // namespace sorvalind
