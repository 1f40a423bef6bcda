#pragma once
// Blocks the calling thread for a span of an executor's clock, so that waits
// between network attempts run on virtual time in tests. Call it from a
// worker, never from the executor's own thread (the timer could not fire).
// Throws CancellationError when `stop` is requested first or when the
// executor drops the timer while shutting down.

#include "runtime/executor.h"

#include <stop_token>

namespace sorvalind {

void waitOnClockOf(Executor& timers, SteadyDuration span, std::stop_token stop);

} // namespace sorvalind
