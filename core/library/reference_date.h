#pragma once
// Points in time as this system's JSON writes them: a double number of
// seconds since 2001-01-01 00:00:00 UTC.
// Any thread; pure functions.

#include <chrono>
#include <optional>

namespace sorvalind {

// Seconds from 2001-01-01 00:00:00 UTC to `time` (negative before it).
double referenceSeconds(std::chrono::system_clock::time_point time) noexcept;

// The point in time `seconds` after 2001-01-01 00:00:00 UTC, to the nearest
// tick of the system clock; none when the number is not finite or lies
// outside the clock's range.
std::optional<std::chrono::system_clock::time_point> timeFromReferenceSeconds(double seconds) noexcept;

} // namespace sorvalind
