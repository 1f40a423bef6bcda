#include "platform/text/byte_count.h"

#include <array>
#include <cmath>

namespace sorvalind {
namespace {

struct Unit {
    const char* name;
    int fractionDigits;
};

constexpr std::array<Unit, 6> kUnits{{
    {"KB", 0},
    {"MB", 1},
    {"GB", 2},
    {"TB", 2},
    {"PB", 2},
    {"EB", 2},
}};

} // namespace

std::string fileByteCountText(std::int64_t bytes, std::string_view localeId) {
    if (bytes == 0) return "Zero KB";
    // The magnitude as unsigned, so that the most negative count has one too.
    const std::uint64_t magnitude =
        bytes < 0 ? static_cast<std::uint64_t>(-(bytes + 1)) + 1 : static_cast<std::uint64_t>(bytes);
    const std::string sign = bytes < 0 ? "-" : "";
    if (magnitude == 1) return sign + "1 byte";
    if (magnitude < 1000)
        return sign + text::decimalText(static_cast<double>(magnitude), 0, 0, localeId) + " bytes";

    std::size_t unit = 0;
    double scaled = static_cast<double>(magnitude) / 1000.0;
    while (unit + 1 < kUnits.size() && scaled >= 1000.0) {
        scaled /= 1000.0;
        ++unit;
    }
    // Round here rather than in the formatter, so that a value that rounds up
    // to 1000 moves on to the next unit.
    double factor = std::pow(10.0, kUnits[unit].fractionDigits);
    double rounded = std::floor(scaled * factor + 0.5) / factor;
    if (rounded >= 1000.0 && unit + 1 < kUnits.size()) {
        ++unit;
        scaled /= 1000.0;
        factor = std::pow(10.0, kUnits[unit].fractionDigits);
        rounded = std::floor(scaled * factor + 0.5) / factor;
    }
    return sign + text::decimalText(rounded, 0, kUnits[unit].fractionDigits, localeId) + " " +
           kUnits[unit].name;
}

} // namespace sorvalind
