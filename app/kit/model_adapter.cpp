#include "kit/model_adapter.h"

#include <QMetaObject>

#include <utility>

namespace sorvalind {

ModelAdapter::ModelAdapter(QObject* parent) : QObject(parent) {}

ModelAdapter::~ModelAdapter() {
    // Subscriptions first: a publisher must not reach a half-destroyed adapter.
    subscriptions_.clear();
}

std::size_t ModelAdapter::addSlot(std::function<void()> changed) {
    slots_.push_back({std::move(changed), false});
    return slots_.size() - 1;
}

void ModelAdapter::markChanged(std::size_t slot) {
    slots_[slot].dirty = true;
    anyChanged_ = true;
    schedule();
}

void ModelAdapter::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &ModelAdapter::flush, Qt::QueuedConnection);
}

void ModelAdapter::clear() {
    subscriptions_.clear();
    slots_.clear();
    events_.clear();
    anyChanged_ = false;
    ++generation_;
}

void ModelAdapter::flush() {
    scheduled_ = false;
    const std::uint64_t generation = generation_;
    // Handlers may set values again: those land in the next turn's flush.
    std::deque<std::function<void()>> events;
    events.swap(events_);
    while (!events.empty()) {
        auto event = std::move(events.front());
        events.pop_front();
        event();
        if (generation != generation_) return;
    }
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i].dirty) continue;
        slots_[i].dirty = false;
        if (!slots_[i].changed) continue;
        auto changed = slots_[i].changed; // the handler may add watches
        changed();
        if (generation != generation_) return;
    }
    if (!anyChanged_) return;
    anyChanged_ = false;
    emit modelChanged();
}

} // namespace sorvalind
