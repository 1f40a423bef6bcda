#pragma once
// Moving work between executors.
//
// runOn(worker, target, fn, completion): runs `fn` on `worker` and then
// `completion(Outcome<R>)` on `target` -- the usual way an actor on the main
// executor starts blocking work and gets its result (or exception) back. If
// `worker` shuts down before running `fn`, the completion still runs, with a
// CancellationError. Both executors must outlive the call. Any thread.
//
// runOn(worker, target, stop, fn, completion): the same, but when a stop was
// requested on `stop` before the worker got to `fn`, `fn` is skipped and the
// completion gets a CancellationError. `fn` itself checks `stop` (captured)
// where it can end early.
//
// whileAlive(owner, done): a completion that calls done(*owner, args...) only
// while `owner` still exists, so that work outliving a call holds its owner
// weakly and ends quietly once the owner is gone.
//
// callSync(queue, fn): runs `fn` on `queue`, blocks the caller until it has
// run, and returns its value or rethrows its exception (CancellationError
// when the queue shut down first). Called on the queue's own thread it runs
// `fn` inline. It is for code that is already off the main actor (workers,
// the credential helper, tests). Never aim it at the main actor, and never
// call it from the main actor for work that may itself need the main actor:
// a worker waiting for the main actor hangs shutdown (the main actor waits
// for its workers to drain), and a main actor waiting on a worker that waits
// on the main actor hangs both. Post to the main actor, or use runOn.

#include "runtime/cancellation.h"
#include "runtime/executor.h"
#include "runtime/outcome.h"

#include <future>
#include <memory>
#include <stop_token>
#include <type_traits>
#include <utility>

namespace sorvalind {

template <class T, class Done> auto whileAlive(std::weak_ptr<T> owner, Done done) {
    return [owner = std::move(owner), done = std::move(done)](auto&&... args) mutable {
        if (auto self = owner.lock()) done(*self, std::forward<decltype(args)>(args)...);
    };
}

template <class Fn, class Completion>
void runOn(Executor& worker, Executor& target, Fn fn, Completion completion) {
    using R = std::invoke_result_t<Fn&>;
    static_assert(std::is_invocable_v<Completion&, Outcome<R>>, "completion must accept Outcome<R>");

    // Delivers exactly once: with the result when run, with a cancellation
    // when the worker destroys the job unrun.
    struct Job {
        Fn fn;
        Completion completion;
        Executor* target;
        bool delivered = false;

        void deliver(Outcome<R> outcome) {
            delivered = true;
            target->post([completion = std::move(completion), outcome = std::move(outcome)]() mutable {
                completion(std::move(outcome));
            });
        }
        ~Job() {
            if (delivered) return;
            try {
                deliver(Outcome<R>::failure(std::make_exception_ptr(CancellationError())));
            } catch (...) {
                // Out of memory while shutting down: the completion is lost.
            }
        }
    };
    auto job = std::make_unique<Job>(std::move(fn), std::move(completion), &target);
    worker.post([job = std::move(job)]() mutable { job->deliver(captureOutcome(job->fn)); });
}

template <class Fn, class Completion>
void runOn(Executor& worker, Executor& target, std::stop_token stop, Fn fn, Completion completion) {
    runOn(
        worker, target,
        [stop = std::move(stop), fn = std::move(fn)]() mutable {
            throwIfCancelled(stop);
            return fn();
        },
        std::move(completion));
}

template <class Fn> auto callSync(Executor& queue, Fn fn) -> std::invoke_result_t<Fn&> {
    using R = std::invoke_result_t<Fn&>;
    if (queue.isCurrent()) return fn();

    struct Job {
        Fn fn;
        std::promise<R> promise;
        bool settled = false;

        void run() {
            settled = true;
            try {
                if constexpr (std::is_void_v<R>) {
                    fn();
                    promise.set_value();
                } else {
                    promise.set_value(fn());
                }
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
        }
        ~Job() {
            if (!settled) promise.set_exception(std::make_exception_ptr(CancellationError()));
        }
    };
    auto job = std::make_unique<Job>(std::move(fn));
    auto future = job->promise.get_future();
    queue.post([job = std::move(job)]() mutable { job->run(); });
    return future.get();
}

} // namespace sorvalind
