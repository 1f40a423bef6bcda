#pragma once
// A delayed call that a newer call replaces: schedule(action) runs `action`
// `delay` after the call on the executor, unless another schedule() or
// cancel() comes first. Destroying the handle cancels the pending call. A
// single delayed, cancellable call ("wait, then ...") is a Debouncer used once.
//
// Use it on the executor it posts to (a serial one, usually the main actor):
// then a replaced or cancelled action never runs. Throws only std::bad_alloc.

#include "runtime/executor.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace sorvalind {

class Debouncer {
public:
    Debouncer(Executor& executor, SteadyDuration delay);
    ~Debouncer();
    Debouncer(Debouncer&&) noexcept = default;
    Debouncer& operator=(Debouncer&& other) noexcept;
    Debouncer(const Debouncer&) = delete;
    Debouncer& operator=(const Debouncer&) = delete;

    void schedule(std::function<void()> action);
    void cancel() noexcept;
    bool isPending() const noexcept;

private:
    struct State {
        Executor& executor;
        SteadyDuration delay;
        std::uint64_t generation = 0;
        std::function<void()> action;
    };
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
