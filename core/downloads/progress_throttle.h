#pragma once
// Decides which progress reports of a transfer reach its handlers: the first
// one, then at most one every 0.1 s on the given clock, plus the report that
// completes a known total. A report held back is not lost: the caller sends
// the latest count when the window that dropped it ends (a trailing report),
// so a body that stalls after a burst shows what is already on disk.
// Not thread-safe: the caller serialises admit() and trailing(); never throws.

#include "runtime/clock.h"

#include <cstdint>
#include <optional>

namespace sorvalind {

class ProgressThrottle {
public:
    static constexpr SteadyDuration window = std::chrono::milliseconds(100);

    explicit ProgressThrottle(const SteadyClock& clock) noexcept : clock_(clock) {}

    struct Admission {
        bool now = false;                     // send this report now
        std::optional<SteadyTime> trailingAt; // held back: arrange a trailing report at this time
    };

    // Decides about the report of `written` bytes out of `expected` (none or
    // below 1 when unknown) and records the time when it goes out. A report
    // held back names the end of its window once; later ones held back in
    // the same window name none, as that trailing report carries them.
    Admission admit(std::int64_t written, std::optional<std::int64_t> expected) noexcept;

    // At a trailing report's time: send now when a held-back count is still
    // unsent (a report since may have carried it) and its window has ended;
    // a report sent since opened a new window, whose end it names instead.
    Admission trailing() noexcept;

private:
    const SteadyClock& clock_;
    std::optional<SteadyTime> last_;
    bool held_ = false;
    bool trailingArranged_ = false;
};

} // namespace sorvalind
