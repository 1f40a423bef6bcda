#include "library/reference_date.h"

#include <cmath>
#include <cstdint>

namespace sorvalind {
namespace {

using Clock = std::chrono::system_clock;

// 2001-01-01 00:00:00 UTC on the system clock (whose epoch is 1970).
constexpr auto kReferenceDate = Clock::time_point(std::chrono::seconds(978'307'200));

} // namespace

double referenceSeconds(Clock::time_point time) noexcept {
    // Whole seconds and the fraction separately: a tick count of today's
    // dates has more digits than a double holds.
    auto since = time - kReferenceDate;
    auto whole = std::chrono::floor<std::chrono::seconds>(since);
    std::chrono::duration<double> fraction = since - whole;
    return static_cast<double>(whole.count()) + fraction.count();
}

std::optional<Clock::time_point> timeFromReferenceSeconds(double seconds) noexcept {
    if (!std::isfinite(seconds)) return std::nullopt;
    double whole = std::floor(seconds);
    constexpr double tickPerSecond = static_cast<double>(Clock::period::den) / Clock::period::num;
    // Keep well inside the clock's 64-bit tick count (about ±292 years with
    // nanosecond ticks) before converting.
    constexpr double limit = 9.2e18 / tickPerSecond - 978'307'200.0 - 2.0;
    if (whole < -limit || whole > limit) return std::nullopt;
    auto ticks = static_cast<std::int64_t>(std::llround((seconds - whole) * tickPerSecond));
    auto wholeSeconds = std::chrono::seconds(static_cast<std::int64_t>(whole));
    return kReferenceDate + std::chrono::duration_cast<Clock::duration>(wholeSeconds) +
           Clock::duration(ticks);
}

} // namespace sorvalind
