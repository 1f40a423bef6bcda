#pragma once
// Decides which progress reports of a transfer reach its handlers: the first
// one, then at most one every 0.1 s on the given clock, plus the report that
// completes a known total. One transfer thread at a time; never throws.

#include "runtime/clock.h"

#include <cstdint>
#include <optional>

namespace sorvalind {

class ProgressThrottle {
public:
    explicit ProgressThrottle(const SteadyClock& clock) noexcept : clock_(clock) {}

    // True when the report of `written` bytes out of `expected` (none or
    // below 1 when unknown) should go out; records the time when it does.
    bool admit(std::int64_t written, std::optional<std::int64_t> expected) noexcept;

private:
    const SteadyClock& clock_;
    std::optional<SteadyTime> last_;
};

} // namespace sorvalind
