#pragma once
// Blocks the calling thread for a span of an executor's clock, so that waits
// between network attempts run on virtual time in tests.
//
// Threads: any thread but the executor's own. On the executor's own thread
// the timer could never fire while the caller waits, so the call throws
// OwnExecutorWaitError at once instead of hanging.
// Throws CancellationError when `stop` is requested first or when the
// executor drops the timer while shutting down.

#include "runtime/executor.h"

#include <stdexcept>
#include <stop_token>

namespace sorvalind {

// A blocking call was made on the executor that must run for it to end: a
// programming error, reported instead of a deadlock.
class OwnExecutorWaitError : public std::logic_error {
public:
    OwnExecutorWaitError() : std::logic_error("A blocking call was made on the executor it waits for.") {}
};

void waitOnClockOf(Executor& timers, SteadyDuration span, std::stop_token stop);

} // namespace sorvalind
