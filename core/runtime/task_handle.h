#pragma once
// One piece of asynchronous work that others can cancel, hear the end of and
// queue behind: what an owner keeps for "the reload in flight", "the last
// save", "the latest edit push" or "the running download".
//
// - startTask(executor, body, after) runs body(stopToken) on `executor` once
//   the task `after` has ended, whatever its outcome; the new task ends when
//   the body returns (or throws: the exception is its outcome). Tasks started
//   each after the previous one run in call order, and waiting for the newest
//   waits for them all ("each save waits for the one before").
// - TaskSource is the doing side for work that ends later than one call, such
//   as a main-actor step, a runOn() hop to a worker and a step back: finish()
//   ends the task. A source destroyed unfinished (an executor dropped the job
//   that held it) ends the task with CancellationError, so nobody waits for
//   work that will never run. Multi-hop work that must also wait for an
//   earlier task starts from that task's whenFinished() with a source.
// - cancel() only requests a stop; the work ends when it notices. A body not
//   yet started never runs and ends with CancellationError, but never before
//   the task it was started after: a chain stays in order even when cancelled.
//   Cancelling a task leaves the task it waits for running.
// - whenFinished(executor, callback) posts callback(outcome) to `executor`
//   once the task has ended (at once if it has). allFinished(tasks) ends once
//   every one of `tasks` has ended ("wait for the last reload and the last
//   save"). Destroying a handle neither cancels nor waits.
//
// Any thread; copies of a handle name the same task. Executors passed in must
// accept posts until the task has ended and its callbacks have run; a
// callback that an executor drops while shutting down is lost, and callbacks
// must not throw on threaded executors (as any posted task). A moved-from
// TaskSource may only be destroyed or assigned. Throws only std::bad_alloc.

#include "runtime/cancellation.h"
#include "runtime/executor.h"
#include "runtime/outcome.h"

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>
#include <vector>

namespace sorvalind {

namespace detail {

class TaskState {
public:
    std::stop_source stop;

    bool finished() const noexcept;
    Outcome<void> outcome() const; // once finished
    // The first outcome wins; later ones are ignored.
    void finish(Outcome<void> outcome) noexcept;
    // Posts `continuation` to `executor` once finished; a null executor runs
    // it on the thread that finishes the task.
    void whenFinished(Executor* executor, Task continuation);

private:
    static void dispatch(Executor* executor, Task continuation) noexcept;

    mutable std::mutex mutex_;
    std::optional<Outcome<void>> outcome_;
    std::vector<std::pair<Executor*, Task>> continuations_;
};

} // namespace detail

class TaskHandle {
public:
    // No task: counts as finished, and cancelling it does nothing.
    TaskHandle() noexcept = default;

    explicit operator bool() const noexcept { return state_ != nullptr; }
    void cancel() const noexcept {
        if (state_) state_->stop.request_stop();
    }
    bool isCancelled() const noexcept { return state_ && state_->stop.stop_requested(); }
    bool isFinished() const noexcept { return !state_ || state_->finished(); }

    // `callback` takes `const Outcome<void>&`; it may be move-only.
    template <class Callback> void whenFinished(Executor& executor, Callback callback) const {
        static_assert(std::is_invocable_v<Callback&, const Outcome<void>&>,
                      "the callback must accept const Outcome<void>&");
        if (!state_) {
            executor.post([callback = std::move(callback)]() mutable { callback(Outcome<void>::success()); });
            return;
        }
        state_->whenFinished(&executor, [state = state_, callback = std::move(callback)]() mutable {
            callback(state->outcome());
        });
    }

    // Ends, always successfully, once every one of `tasks` has ended.
    static TaskHandle allFinished(const std::vector<TaskHandle>& tasks);

private:
    friend class TaskSource;
    explicit TaskHandle(std::shared_ptr<detail::TaskState> state) noexcept : state_(std::move(state)) {}
    std::shared_ptr<detail::TaskState> state_;
};

class TaskSource {
public:
    TaskSource() : state_(std::make_shared<detail::TaskState>()) {}
    ~TaskSource();
    TaskSource(TaskSource&&) noexcept = default;
    TaskSource& operator=(TaskSource&& other) noexcept;
    TaskSource(const TaskSource&) = delete;
    TaskSource& operator=(const TaskSource&) = delete;

    TaskHandle handle() const noexcept { return TaskHandle(state_); }
    std::stop_token stopToken() const noexcept { return state_->stop.get_token(); }
    // Ends the task; only the first call counts.
    void finish(Outcome<void> outcome) noexcept { state_->finish(std::move(outcome)); }

private:
    std::shared_ptr<detail::TaskState> state_;
};

template <class Body> TaskHandle startTask(Executor& executor, Body body, const TaskHandle& after = {}) {
    static_assert(std::is_invocable_v<Body&, std::stop_token>, "the body must accept a std::stop_token");
    TaskSource source;
    TaskHandle handle = source.handle();
    after.whenFinished(
        executor, [source = std::move(source), body = std::move(body)](const Outcome<void>&) mutable {
            const std::stop_token stop = source.stopToken();
            if (stop.stop_requested()) {
                source.finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
                return;
            }
            auto run = [&] { body(stop); };
            source.finish(captureOutcome(run));
        });
    return handle;
}

} // namespace sorvalind
