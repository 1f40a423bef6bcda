#pragma once
// Where work runs. Every executor runs posted tasks in posting order (a
// serial executor one at a time; a pool several at once, started in order)
// and timed tasks once its clock reaches their time, ties in posting order.
// post/postAt may be called from any thread, never run the task inline, and
// throw only std::bad_alloc. A task posted to an executor that is shutting
// down is destroyed without running. Tasks must not throw on threaded
// executors (std::terminate, as with std::thread): carry failures back with
// runOn/callSync (runtime/async_call.h).

#include "runtime/clock.h"
#include "runtime/task.h"

namespace sorvalind {

class Executor {
public:
    virtual ~Executor() = default;

    virtual void post(Task task) = 0;
    virtual void postAt(SteadyTime when, Task task) = 0;

    // The steady clock postAt is measured against.
    virtual const SteadyClock& clock() const noexcept = 0;

    // True when the calling thread is this executor's own (for a manual
    // executor: the thread that drives it).
    virtual bool isCurrent() const noexcept = 0;

    void postAfter(SteadyDuration delay, Task task) { postAt(clock().now() + delay, std::move(task)); }
};

} // namespace sorvalind
