#pragma once
// Runs a test's main actor until a condition holds. A condition that does not
// hold within the bound ends the test program at once with the caller's line:
// returning would leave the caller waiting on a future that never becomes
// ready (std::async's destructor waits too) until ctest's own timeout.

#include "runtime/manual_executor.h"

#include <chrono>
#include <functional>
#include <source_location>

namespace sorvalind::test {

void driveUntil(ManualExecutor& main, const std::function<bool()>& done,
                std::chrono::milliseconds bound = std::chrono::seconds(10),
                std::source_location where = std::source_location::current());

} // namespace sorvalind::test
