#include "runtime/task_handle.h"

#include <atomic>

namespace sorvalind {
namespace detail {

bool TaskState::finished() const noexcept {
    std::lock_guard lock(mutex_);
    return outcome_.has_value();
}

Outcome<void> TaskState::outcome() const {
    std::lock_guard lock(mutex_);
    return *outcome_;
}

void TaskState::finish(Outcome<void> outcome) noexcept {
    std::vector<std::pair<Executor*, Task>> continuations;
    {
        std::lock_guard lock(mutex_);
        if (outcome_) return;
        outcome_.emplace(std::move(outcome));
        continuations.swap(continuations_);
    }
    // Outside the lock: a continuation may look at this task again.
    for (auto& [executor, continuation] : continuations)
        dispatch(executor, std::move(continuation));
}

void TaskState::whenFinished(Executor* executor, Task continuation) {
    {
        std::lock_guard lock(mutex_);
        if (!outcome_) {
            continuations_.emplace_back(executor, std::move(continuation));
            return;
        }
    }
    dispatch(executor, std::move(continuation));
}

void TaskState::dispatch(Executor* executor, Task continuation) noexcept {
    try {
        if (executor) {
            executor->post(std::move(continuation));
        } else {
            continuation();
        }
    } catch (...) {
        // Out of memory while posting: that continuation is lost.
    }
}

} // namespace detail

TaskHandle TaskHandle::allFinished(const std::vector<TaskHandle>& tasks) {
    struct Join {
        TaskSource source;
        std::atomic<std::size_t> remaining;
    };
    auto join = std::make_shared<Join>();
    TaskHandle all = join->source.handle();
    join->remaining = tasks.size() + 1; // one for the walk itself, so no task ends it early
    auto arrive = [join] {
        if (join->remaining.fetch_sub(1) == 1) join->source.finish(Outcome<void>::success());
    };
    for (const TaskHandle& task : tasks) {
        if (task.state_) {
            task.state_->whenFinished(nullptr, arrive);
        } else {
            arrive();
        }
    }
    arrive();
    return all;
}

TaskSource::~TaskSource() {
    if (state_) state_->finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
}

TaskSource& TaskSource::operator=(TaskSource&& other) noexcept {
    if (this != &other) {
        if (state_) state_->finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
        state_ = std::move(other.state_);
    }
    return *this;
}

} // namespace sorvalind
