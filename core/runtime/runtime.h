#pragma once
// The async runtime, and how every subsystem uses it.
//
// - Main actor: one serial Executor that owns the user-facing state. The app
//   supplies one on its event loop; tests use a ManualExecutor driven by
//   runUntilIdle() and a VirtualClock (advance(10s)), so every timing rule is
//   tested without sleeping. A class marked "main actor only" is touched only
//   from tasks on that executor.
// - Actor: an object whose state is touched only from one SerialQueue (or
//   under one mutex that is never held across I/O or a callback). Callers
//   reach it with post(), runOn() or, when already off the main actor,
//   callSync().
// - Async function: blocking work (SQLite, libcurl, decoding, keyring) runs on
//   a WorkerPool or an actor's SerialQueue; its result comes back as an
//   Outcome<T> on the caller's executor through runOn(worker, mainActor, fn,
//   completion). Errors travel as std::exception_ptr inside the Outcome.
//   Never block the main actor waiting for work that needs the main actor.
// - Cancellation: a std::stop_source per cancellable operation; the work
//   checks its std::stop_token with throwIfCancelled(), and callers treat
//   CancellationError (isCancellation()) as a quiet end.
// - Task loop on a clock ("sleep N seconds, then work, until cancelled"): a
//   TaskLoop on the owner's executor; the handle lives in the owner, so
//   dropping the owner or the handle ends the loop.
// - "Wait a moment, then ..." where a newer request replaces the older: a
//   Debouncer; a single cancellable delayed call is a Debouncer used once.
// - Time: steady time for timers from Executor::clock(); wall time for
//   timestamps from an injected WallClock (systemWallClock() in the app,
//   VirtualClock::wall() in tests).
// - Observation: Published<T> for state with a current value, Subject<T> for
//   events; observers keep the Subscription for as long as they listen.
// - Work that others cancel, wait for or queue behind ("the reload in
//   flight", "each save waits for the one before", "cancel the download and
//   wait for it"): a TaskHandle from startTask() or a TaskSource. Keep one
//   handle per such job; never invent another.
// - Workers never block on the main actor. Results, callbacks and progress
//   reports are posted to it (it runs them in posting order); a posted
//   callback holds its owner weakly and looks the callback up when it runs,
//   so an owner that went away, or removed its callback, is simply skipped.
//   The blocking waits that remain off the main actor end promptly:
//   waitOnClockOf on its stop token and when its executor drops the timer,
//   callSync when its queue drops the job.
// - Keyed work in flight (requests, sends): key it with a counter, never
//   with a random identifier, and cancel it through a stop token:
//       const std::uint64_t key = nextKey_++;
//       std::stop_source& stop = pending_[key];
//       runOn(worker, mainActor, stop.get_token(), work, [weak, key](auto outcome) {
//           if (auto self = weak.lock()) self->pending_.erase(key);
//       });
//
// Shutdown, from the main actor, top down, so that no step waits for work
// that a later step would end:
//   1. cancel the owner's tasks (request their stop sources, cancel their
//      TaskHandles, switch reporters off);
//   2. switch network access off (every APIClient: new requests fail at
//      once, retry waits end);
//   3. invalidate the transports (transfers in flight end with "cancelled");
//   4. wait for the owner's tasks, workers and serial queues to drain
//      (TaskHandle::allFinished on the main actor; shutdown() of each
//      WorkerPool and SerialQueue, which joins them);
//   5. close the store, last of all the owner's parts;
//   6. only then stop the main actor. Every worker has drained by now, so
//      nothing posts to it any more; what it still holds (callbacks of
//      objects already gone) is dropped unrun, and nothing waits for it.

#include "runtime/async_call.h"
#include "runtime/cancellation.h"
#include "runtime/clock.h"
#include "runtime/debouncer.h"
#include "runtime/executor.h"
#include "runtime/outcome.h"
#include "runtime/published.h"
#include "runtime/subject.h"
#include "runtime/subscription.h"
#include "runtime/task.h"
#include "runtime/task_handle.h"
#include "runtime/task_loop.h"
#include "runtime/thread_executor.h"
#include "runtime/timer_wait.h"
