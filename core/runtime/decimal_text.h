#pragma once
// Locale-free decimal text of integers, for the numeric codes that user
// messages carry. Any thread; never fails.

#include <charconv>
#include <cstdint>
#include <string>

namespace sorvalind {

inline std::string decimalText(std::int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace sorvalind
