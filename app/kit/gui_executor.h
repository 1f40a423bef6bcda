#pragma once
// The GUI thread as an executor, for view work that comes back from a worker
// (view tasks). It is the process's one, made on the GUI thread at first use.
// Call guiExecutor() first on the GUI thread; afterwards from any thread.

#include "runtime/executor.h"

namespace sorvalind {

Executor& guiExecutor();

} // namespace sorvalind
