#include "runtime/debouncer.h"

namespace sorvalind {

Debouncer::Debouncer(Executor& executor, SteadyDuration delay)
    : state_(std::make_shared<State>(State{executor, delay, 0, {}})) {}

Debouncer::~Debouncer() {
    cancel();
}

Debouncer& Debouncer::operator=(Debouncer&& other) noexcept {
    if (this != &other) {
        cancel();
        state_ = std::move(other.state_);
    }
    return *this;
}

void Debouncer::schedule(std::function<void()> action) {
    auto generation = ++state_->generation;
    state_->action = std::move(action);
    state_->executor.postAfter(state_->delay, [weak = std::weak_ptr<State>(state_), generation] {
        auto state = weak.lock();
        if (!state || state->generation != generation || !state->action) return;
        auto action = std::move(state->action);
        state->action = nullptr;
        action();
    });
}

void Debouncer::cancel() noexcept {
    if (!state_) return;
    ++state_->generation;
    state_->action = nullptr;
}

bool Debouncer::isPending() const noexcept {
    return state_ && static_cast<bool>(state_->action);
}

} // namespace sorvalind
