#include "downloads/progress_throttle.h"

#include <chrono>

namespace sorvalind {

bool ProgressThrottle::admit(std::int64_t written, std::optional<std::int64_t> expected) noexcept {
    const SteadyTime now = clock_.now();
    const bool complete = expected && *expected >= 1 && written == *expected;
    if (last_ && now - *last_ < std::chrono::milliseconds(100) && !complete) return false;
    last_ = now;
    return true;
}

} // namespace sorvalind
