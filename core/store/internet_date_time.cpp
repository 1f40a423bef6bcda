#include "store/internet_date_time.h"

#include <charconv>

namespace sorvalind {
namespace {

void appendPadded(std::string& text, long long value, int width) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (auto length = end - digits; length < width; ++length)
        text += '0';
    text.append(digits, end);
}

} // namespace

std::string internetDateTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    auto seconds = floor<std::chrono::seconds>(time);
    auto day = floor<days>(seconds);
    year_month_day date(day);
    hh_mm_ss clock(seconds - day);
    std::string text;
    appendPadded(text, static_cast<int>(date.year()), 4);
    text += '-';
    appendPadded(text, static_cast<unsigned>(date.month()), 2);
    text += '-';
    appendPadded(text, static_cast<unsigned>(date.day()), 2);
    text += 'T';
    appendPadded(text, clock.hours().count(), 2);
    text += ':';
    appendPadded(text, clock.minutes().count(), 2);
    text += ':';
    appendPadded(text, clock.seconds().count(), 2);
    text += 'Z';
    return text;
}

} // namespace sorvalind
