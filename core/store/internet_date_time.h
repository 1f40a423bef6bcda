#pragma once
// The ISO 8601 internet date-time of a moment in UTC, to the second:
// "2024-05-01T12:34:56Z". Any thread; pure; never throws but bad_alloc.

#include <chrono>
#include <string>

namespace sorvalind {

std::string internetDateTime(std::chrono::system_clock::time_point time);

} // namespace sorvalind
