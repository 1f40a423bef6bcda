#include "downloads/progress_throttle.h"

namespace sorvalind {

ProgressThrottle::Admission ProgressThrottle::admit(std::int64_t written,
                                                    std::optional<std::int64_t> expected) noexcept {
    const SteadyTime now = clock_.now();
    const bool complete = expected && *expected >= 1 && written == *expected;
    if (last_ && now - *last_ < window && !complete) {
        held_ = true;
        if (trailingArranged_) return {};
        trailingArranged_ = true;
        return {false, *last_ + window};
    }
    last_ = now;
    held_ = false;
    return {true, std::nullopt};
}

ProgressThrottle::Admission ProgressThrottle::trailing() noexcept {
    trailingArranged_ = false;
    if (!held_) return {};
    const SteadyTime now = clock_.now();
    if (last_ && now - *last_ < window) {
        trailingArranged_ = true;
        return {false, *last_ + window};
    }
    held_ = false;
    last_ = now;
    return {true, std::nullopt};
}

} // namespace sorvalind
