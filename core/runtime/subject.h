#pragma once
// Events without a current value: send() delivers to every observer
// subscribed at that moment. A send() from inside a delivery is delivered in
// full first, then the outer delivery continues.
//
// Main actor only (or, in general, one executor): it takes no locks.
// Observers' exceptions propagate out of send(). Subscribing is const so an
// owner can hand out `const Subject<T>&` to observers.

#include "runtime/subscription.h"

#include <functional>
#include <memory>

namespace sorvalind {

template <class T> class Subject {
public:
    Subject() = default;
    Subject(const Subject&) = delete;
    Subject& operator=(const Subject&) = delete;

    void send(const T& value) {
        auto observers = observers_; // the owner may go away during the delivery
        observers->deliver(value, [] { return false; });
    }

    Subscription subscribe(std::function<void(const T&)> callback) const {
        return observers_->add(std::move(callback));
    }

private:
    std::shared_ptr<detail::ObserverList<T>> observers_ = std::make_shared<detail::ObserverList<T>>();
};

} // namespace sorvalind
