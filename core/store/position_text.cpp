#include "store/position_text.h"

#include <charconv>
#include <cmath>

namespace sorvalind {

std::string positionText(double seconds) {
    if (std::isnan(seconds)) return "nan";
    if (std::isinf(seconds)) return seconds < 0 ? "-inf" : "inf";
    char buffer[64];
    double magnitude = std::fabs(seconds);
    // Plain digits from 1e-4 up to 2^53, exponent form outside, as the
    // platform's own shortest form writes doubles.
    bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0);
    auto end = std::to_chars(buffer, buffer + sizeof buffer, seconds,
                             plain ? std::chars_format::fixed : std::chars_format::scientific)
                   .ptr;
    std::string text(buffer, end);
    if (plain && text.find('.') == std::string::npos) text += ".0";
    return text;
}

} // namespace sorvalind
