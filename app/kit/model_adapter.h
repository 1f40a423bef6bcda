#pragma once
// Turns the model's observation into Qt's: views watch published values and
// subjects through one adapter that lives as long as the view (a child
// QObject), so every subscription dies with the view.
//
// A published value calls back at once when subscribed and then inside every
// set(), on the model's own call stack. The adapter never runs a view's code
// there: it only marks the value changed and queues one flush for the next
// turn of the event loop. The flush first hands over every subject value, in
// the order sent, then calls each changed value's handler once (the handler
// re-reads value(), so several sets in one turn cost one update), then emits
// modelChanged() once, for the views that also show what nothing publishes
// (the client, storage figures, whether a next track exists).
//
// GUI thread only (the main actor runs there): every watched publisher must
// be set on it.

#include "runtime/published.h"
#include "runtime/subject.h"
#include "runtime/subscription.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace sorvalind {

class ModelAdapter : public QObject {
    Q_OBJECT
public:
    explicit ModelAdapter(QObject* parent = nullptr);
    ~ModelAdapter() override;

    // `changed` (may be empty) runs once per loop turn in which `published`
    // changed; the value at subscription is not reported: a view reads it
    // when it builds. Every change also counts for modelChanged().
    template <class T> void watch(const Published<T>& published, std::function<void()> changed = {}) {
        const std::size_t slot = addSlot(std::move(changed));
        subscribing_ = true;
        auto subscription = published.subscribe([this, slot](const T&) {
            if (!subscribing_) markChanged(slot);
        });
        subscribing_ = false;
        subscriptions_.push_back(std::move(subscription));
    }

    // `each` gets a copy of every value sent, in order, from the flush.
    template <class T> void watchEvents(const Subject<T>& subject, std::function<void(const T&)> each) {
        subscriptions_.push_back(subject.subscribe([this, each = std::move(each)](const T& value) {
            events_.push_back([each, value] { each(value); });
            anyChanged_ = true;
            schedule();
        }));
    }

    // Forgets every subscription and everything still pending: the view is
    // about to follow another model.
    void clear();

    // Runs whatever is pending now (tests, and a view that must be current
    // before it paints).
    void flush();

signals:
    // Once per loop turn in which anything watched changed.
    void modelChanged();

private:
    struct Slot {
        std::function<void()> changed;
        bool dirty = false;
    };

    std::size_t addSlot(std::function<void()> changed);
    void markChanged(std::size_t slot);
    void schedule();

    std::vector<Subscription> subscriptions_;
    std::vector<Slot> slots_;
    std::deque<std::function<void()>> events_;
    bool subscribing_ = false;
    bool scheduled_ = false;
    bool anyChanged_ = false;
    // Raised by clear(), so that a flush under way stops handing out the
    // former model's changes.
    std::uint64_t generation_ = 0;
};

} // namespace sorvalind
