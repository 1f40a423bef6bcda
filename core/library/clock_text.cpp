#include "library/clock_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace sorvalind {
namespace {

std::string twoDigits(int value) {
    std::string text(2, '0');
    text[0] = static_cast<char>('0' + value / 10);
    text[1] = static_cast<char>('0' + value % 10);
    return text;
}

} // namespace

std::string clockText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return "0:00";
    double whole = std::trunc(seconds);
    if (whole < 0x1p63) {
        auto count = static_cast<std::int64_t>(whole);
        return std::to_string(count / 60) + ":" + twoDigits(static_cast<int>(count % 60));
    }
    // Beyond a 64-bit count of seconds: divide the exact decimal digits of
    // the (integral) double by 60 by hand, so even the largest finite value
    // gives its exact minutes and seconds.
    char digits[400];
    auto end = std::to_chars(digits, digits + sizeof digits, whole, std::chars_format::fixed, 0).ptr;
    std::string minutes;
    int remainder = 0;
    for (const char* digit = digits; digit != end; ++digit) {
        remainder = remainder * 10 + (*digit - '0');
        if (!minutes.empty() || remainder >= 60) minutes += static_cast<char>('0' + remainder / 60);
        remainder %= 60;
    }
    return (minutes.empty() ? "0" : minutes) + ":" + twoDigits(remainder);
}

} // namespace sorvalind
