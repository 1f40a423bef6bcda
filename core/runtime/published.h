#pragma once
// A value that observers follow: subscribe() delivers the current value at
// once and then every new one. For equality-comparable T, set() with an equal
// value does nothing; for other T every set() is delivered. If an observer
// sets a newer value during a delivery, the rest of that delivery is dropped
// (the newer one reaches everyone), so each observer's last value is the
// current one. The value passed to a callback is valid during the call only.
//
// Main actor only (or, in general, one executor): it takes no locks.
// Observers' exceptions propagate out of set()/subscribe(). Subscribing is
// const so an owner can hand out `const Published<T>&` to observers.

#include "runtime/subscription.h"

#include <concepts>
#include <functional>
#include <memory>
#include <utility>

namespace sorvalind {

template <class T> class Published {
public:
    explicit Published(T initial = T()) : state_(std::make_shared<State>(std::move(initial))) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& value() const noexcept { return state_->value; }

    void set(T value) {
        if constexpr (std::equality_comparable<T>) {
            if (state_->value == value) return;
        }
        auto state = state_; // the owner may go away during the delivery
        state->value = std::move(value);
        auto generation = ++state->generation;
        state->observers->deliver(state->value, [&] { return state->generation != generation; });
    }

    Subscription subscribe(std::function<void(const T&)> callback) const {
        auto first = callback;
        auto subscription = state_->observers->add(std::move(callback));
        auto state = state_;
        first(state->value);
        return subscription;
    }

private:
    struct State {
        explicit State(T v) : value(std::move(v)) {}
        T value;
        std::uint64_t generation = 0;
        std::shared_ptr<detail::ObserverList<T>> observers = std::make_shared<detail::ObserverList<T>>();
    };
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
