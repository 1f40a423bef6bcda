#pragma once
// A view's background work keyed by its inputs: run(key, ...) starts `fn` on
// a worker (the store's queue, or the worker pool) and applies its outcome on
// the GUI thread only while `key` is still the task's key and the view that
// owns the task is alive. A new key stops the running work through its stop
// token and drops its outcome; the same key again while it runs keeps the
// running work. A stopped task applies nothing.
//
// GUI thread only. Hold it as a member of the view that applies the outcome.

#include "kit/gui_executor.h"

#include "runtime/async_call.h"
#include "runtime/executor.h"
#include "runtime/outcome.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>

namespace sorvalind {

template <class Key> class ViewTask {
public:
    explicit ViewTask(QObject* owner) : owner_(owner), state_(std::make_shared<State>()) {}
    ~ViewTask() { cancel(); }
    ViewTask(const ViewTask&) = delete;
    ViewTask& operator=(const ViewTask&) = delete;

    // `fn(std::stop_token)` runs on `worker`; `apply(Outcome<R>)` on the GUI
    // thread, at most once.
    template <class Fn, class Apply> void run(Key key, Executor& worker, Fn fn, Apply apply) {
        if (state_->running && key_ == key) return;
        cancel();
        key_ = std::move(key);
        state_->stop = std::stop_source();
        state_->running = true;
        const std::uint64_t generation = ++state_->generation;
        std::stop_token token = state_->stop.get_token();
        using R = std::invoke_result_t<Fn&, std::stop_token>;
        runOn(
            worker, guiExecutor(), token, [fn = std::move(fn), token]() mutable { return fn(token); },
            [owner = QPointer<QObject>(owner_), weak = std::weak_ptr<State>(state_), generation,
             apply = std::move(apply)](Outcome<R> outcome) mutable {
                auto state = weak.lock();
                if (!owner || !state || state->generation != generation || state->stop.stop_requested())
                    return;
                state->running = false;
                apply(std::move(outcome));
            });
    }

    // Stops the running work; its outcome is dropped. The key stays.
    void cancel() {
        if (!state_->running) return;
        state_->running = false;
        state_->stop.request_stop();
        ++state_->generation;
    }

    const std::optional<Key>& key() const noexcept { return key_; }
    bool isRunning() const noexcept { return state_->running; }

private:
    struct State {
        std::stop_source stop;
        std::uint64_t generation = 0;
        bool running = false;
    };

    QPointer<QObject> owner_;
    std::optional<Key> key_;
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
