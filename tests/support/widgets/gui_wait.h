#pragma once
// Runs the GUI thread's event loop until `done` holds; false when it does not
// within the bound (a hang guard, not a timing check). GUI thread only.

#include <chrono>
#include <functional>

namespace sorvalind::test {

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(30));
// One turn of the loop: what is queued now runs, timers due now fire.
void processEvents();

} // namespace sorvalind::test
