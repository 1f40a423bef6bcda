#pragma once
// The RAII handle of one observer of a Published or Subject: destroying it
// (or cancel()) stops the deliveries. It is safe when the publisher is
// already gone and from inside a delivery, including the observer's own;
// a cancelled observer gets no further value, even later in the delivery
// that is under way. Same thread rule as the publisher it came from. Never
// throws.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace sorvalind {

namespace detail {

// What a Subscription needs of a publisher's observer list.
class ObserverListBase {
public:
    virtual ~ObserverListBase() = default;
    virtual void remove(std::uint64_t id) noexcept = 0;
};

} // namespace detail

class [[nodiscard]] Subscription {
public:
    Subscription() noexcept = default;
    Subscription(std::weak_ptr<detail::ObserverListBase> list, std::uint64_t id) noexcept
        : list_(std::move(list)), id_(id) {}
    ~Subscription() { cancel(); }
    Subscription(Subscription&& other) noexcept : list_(std::move(other.list_)), id_(other.id_) {
        other.list_.reset();
    }
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            list_ = std::move(other.list_);
            id_ = other.id_;
            other.list_.reset();
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void cancel() noexcept {
        if (auto list = list_.lock()) list->remove(id_);
        list_.reset();
    }

private:
    std::weak_ptr<detail::ObserverListBase> list_;
    std::uint64_t id_ = 0;
};

namespace detail {

// The observers of one publisher. A delivery walks a snapshot, so observers
// may subscribe or cancel from inside a callback; callbacks added during a
// delivery first hear from the next one.
template <class T>
class ObserverList final : public ObserverListBase, public std::enable_shared_from_this<ObserverList<T>> {
public:
    using Callback = std::function<void(const T&)>;

    Subscription add(Callback callback) {
        auto id = nextId_++;
        observers_.push_back(std::make_shared<Observer>(Observer{id, std::move(callback), true}));
        return Subscription(this->weak_from_this(), id);
    }

    void remove(std::uint64_t id) noexcept override {
        for (auto it = observers_.begin(); it != observers_.end(); ++it) {
            if ((*it)->id == id) {
                (*it)->active = false;
                observers_.erase(it); // a delivery under way still holds it
                return;
            }
        }
    }

    // Delivers `value` to every observer present now, stopping early when
    // `superseded()` turns true. The list stays alive for the whole delivery.
    template <class Superseded> void deliver(const T& value, Superseded superseded) {
        auto self = this->shared_from_this();
        auto snapshot = observers_;
        for (auto& observer : snapshot) {
            if (superseded()) return;
            if (observer->active) observer->callback(value);
        }
    }

private:
    struct Observer {
        std::uint64_t id;
        Callback callback;
        bool active;
    };
    std::vector<std::shared_ptr<Observer>> observers_;
    std::uint64_t nextId_ = 1;
};

} // namespace detail

} // namespace sorvalind
