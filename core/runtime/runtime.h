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
#include "runtime/task_loop.h"
#include "runtime/thread_executor.h"
