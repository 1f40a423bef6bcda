#include "platform/text/date_time.h"

#include "platform/text/unicode_string.h"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

namespace sorvalind::text {
namespace {

// Reads exactly `count` ASCII digits at `at`, advancing past them.
bool readDigits(std::string_view text, std::size_t& at, std::size_t count, int& value) {
    if (text.size() - at < count) return false;
    value = 0;
    for (std::size_t end = at + count; at < end; ++at) {
        const char c = text[at];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool readSeparator(std::string_view text, std::size_t& at, char separator) {
    if (at >= text.size() || text[at] != separator) return false;
    ++at;
    return true;
}

// The zone suffix after the time: none (UTC), "Z", or a signed offset.
std::optional<std::chrono::minutes> readZone(std::string_view text, std::size_t at) {
    if (at == text.size()) return std::chrono::minutes(0);
    if (text[at] == 'Z' || text[at] == 'z') {
        if (at + 1 != text.size()) return std::nullopt;
        return std::chrono::minutes(0);
    }
    if (text[at] != '+' && text[at] != '-') return std::nullopt;
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    int hours = 0;
    int minutes = 0;
    if (!readDigits(text, at, 2, hours)) return std::nullopt;
    if (at < text.size()) {
        readSeparator(text, at, ':');
        if (!readDigits(text, at, 2, minutes)) return std::nullopt;
    }
    if (at != text.size() || hours > 23 || minutes > 59) return std::nullopt;
    return std::chrono::minutes(sign * (hours * 60 + minutes));
}

} // namespace

std::optional<std::chrono::system_clock::time_point> parseInternetDateTime(std::string_view text) {
    using namespace std::chrono;
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readDigits(text, at, 4, year) || !readSeparator(text, at, '-') || !readDigits(text, at, 2, month) ||
        !readSeparator(text, at, '-') || !readDigits(text, at, 2, day))
        return std::nullopt;
    if (at >= text.size() || (text[at] != 'T' && text[at] != 't')) return std::nullopt;
    ++at;
    if (!readDigits(text, at, 2, hour) || !readSeparator(text, at, ':') || !readDigits(text, at, 2, minute) ||
        !readSeparator(text, at, ':') || !readDigits(text, at, 2, second))
        return std::nullopt;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;

    nanoseconds fraction{0};
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        const std::size_t first = at;
        std::int64_t scale = 100'000'000;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            fraction += nanoseconds((text[at] - '0') * scale); // digits past the nanosecond add 0
            scale /= 10;
        }
        if (at == first) return std::nullopt;
    }
    const std::optional<minutes> offset = readZone(text, at);
    if (!offset) return std::nullopt;

    const sys_time<nanoseconds> local =
        sys_days(date) + hours(hour) + minutes(minute) + seconds(second) + fraction;
    return time_point_cast<system_clock::duration>(local - *offset);
}

std::string userTimeZoneId() {
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    icu::UnicodeString id;
    if (zone) zone->getID(id);
    return id.isEmpty() ? std::string("UTC") : icuutil::toUtf8(id);
}

std::string abbreviatedDateTimeText(std::chrono::system_clock::time_point time, std::string_view localeId,
                                    std::string_view timeZoneId) {
    const icu::Locale locale = icu::Locale::createFromName(std::string(localeId).c_str());
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return {};
    const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(u"yMMMdjmm"), status);
    if (U_FAILURE(status)) return {};
    icu::SimpleDateFormat format(pattern, locale, status);
    if (U_FAILURE(status)) return {};
    // ICU names an unknown identifier "Etc/Unknown" and keeps it at UTC.
    format.adoptTimeZone(icu::TimeZone::createTimeZone(icuutil::fromUtf8(timeZoneId)));

    const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(time).time_since_epoch().count();
    icu::UnicodeString text;
    format.format(static_cast<UDate>(milliseconds), text);
    return icuutil::toUtf8(text);
}

} // namespace sorvalind::text
