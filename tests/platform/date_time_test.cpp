#include "platform/text/date_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace sorvalind::text {
namespace {

using std::chrono::system_clock;

// 2024-05-01T12:34:56Z
constexpr std::int64_t kNoon = 1'714'566'896;

std::optional<std::int64_t> nanosecondsOf(std::string_view text) {
    const auto time = parseInternetDateTime(text);
    if (!time) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time->time_since_epoch()).count();
}

TEST(DateTime, ParsesInternetDateTimes) {
    constexpr std::int64_t s = 1'000'000'000;
    struct Case {
        const char* text;
        std::optional<std::int64_t> nanoseconds;
    };
    const Case cases[] = {
        {"2024-05-01T12:34:56Z", kNoon * s},
        {"2024-05-01t12:34:56z", kNoon * s},
        {"2024-05-01T12:34:56.789Z", kNoon * s + 789'000'000},
        {"2024-05-01T12:34:56.5Z", kNoon * s + 500'000'000},
        {"2024-05-01T12:34:56,25Z", kNoon * s + 250'000'000},
        {"2024-05-01T12:34:56.123456789123Z", kNoon * s + 123'456'789},
        {"2024-05-01T14:34:56+02:00", kNoon * s},
        {"2024-05-01T14:34:56+0200", kNoon * s},
        {"2024-05-01T14:34:56+02", kNoon * s},
        {"2024-05-01T07:04:56.75-05:30", kNoon * s + 750'000'000},
        {"2024-05-01T12:34:56+00:00", kNoon * s},
        {"2024-05-01T12:34:56-00:00", kNoon * s},
        // The offset moves the moment across a day and a year.
        {"2025-01-01T01:00:00+02:00", 1'735'686'000 * s},
        // No zone at all: servers mean UTC.
        {"2024-05-01T12:34:56", kNoon * s},
        {"2024-05-01T12:34:56.789", kNoon * s + 789'000'000},
        {"1970-01-01T00:00:00Z", 0},
        {"1969-12-31T23:59:59Z", -s},
        {"2024-02-29T00:00:00Z", 1'709'164'800 * s},
        // What does not read.
        {"", std::nullopt},
        {"2024-05-01", std::nullopt},
        {"2024-05-01 12:34:56Z", std::nullopt},
        {"2024-05-01T12:34Z", std::nullopt},
        {"2024-5-01T12:34:56Z", std::nullopt},
        {"24-05-01T12:34:56Z", std::nullopt},
        {"2023-02-29T00:00:00Z", std::nullopt},
        {"2024-13-01T00:00:00Z", std::nullopt},
        {"2024-04-31T00:00:00Z", std::nullopt},
        {"2024-05-01T24:00:00Z", std::nullopt},
        {"2024-05-01T12:60:00Z", std::nullopt},
        {"2024-05-01T12:34:60Z", std::nullopt},
        {"2024-05-01T12:34:56.Z", std::nullopt},
        {"2024-05-01T12:34:56+2:00", std::nullopt},
        {"2024-05-01T12:34:56+02:", std::nullopt},
        {"2024-05-01T12:34:56+24:00", std::nullopt},
        {"2024-05-01T12:34:56+02:60", std::nullopt},
        {"2024-05-01T12:34:56ZZ", std::nullopt},
        {"2024-05-01T12:34:56Z ", std::nullopt},
        {" 2024-05-01T12:34:56Z", std::nullopt},
        {"2024-05-01T12:34:56 +02:00", std::nullopt},
        {"yesterday", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nanosecondsOf(c.text), c.nanoseconds) << c.text;
}

TEST(DateTime, FormatsAnAbbreviatedDateAndTimeForTheLocale) {
    const system_clock::time_point noon{std::chrono::seconds(kNoon)};
    const std::string narrowSpace = "\u202f";
    struct Case {
        const char* locale;
        const char* zone;
        std::string text;
    };
    const Case cases[] = {
        {"en_US", "UTC", "May 1, 2024, 12:34" + narrowSpace + "PM"},
        {"en_US", "America/New_York", "May 1, 2024, 8:34" + narrowSpace + "AM"},
        {"en_GB", "Europe/London", "1 May 2024, 13:34"},
        {"de_DE", "Europe/Berlin", "1. Mai 2024, 14:34"},
        {"fr_FR", "Europe/Paris", "1 mai 2024, 14:34"},
        {"ja_JP", "Asia/Tokyo", "2024年5月1日 21:34"},
        // An unknown zone counts as UTC.
        {"de_DE", "Nowhere/Atlantis", "1. Mai 2024, 12:34"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(abbreviatedDateTimeText(noon, c.locale, c.zone), c.text) << c.locale << " " << c.zone;
}

TEST(DateTime, ParsedMomentsFormatTheirWallClockTime) {
    const auto parsed = parseInternetDateTime("2024-12-31T23:59:30.999-01:00");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(abbreviatedDateTimeText(*parsed, "en_GB", "UTC"), "1 Jan 2025, 00:59");
    EXPECT_EQ(abbreviatedDateTimeText(*parsed, "en_GB", "Atlantic/Azores"), "31 Dec 2024, 23:59");
}

TEST(DateTime, UserTimeZoneFollowsTheEnvironment) {
    const char* saved = std::getenv("TZ");
    const std::optional<std::string> before = saved ? std::optional<std::string>(saved) : std::nullopt;
    for (const char* zone : {"Asia/Tokyo", "America/Denver"}) {
        setenv("TZ", zone, 1);
        EXPECT_EQ(userTimeZoneId(), zone);
    }
    if (before)
        setenv("TZ", before->c_str(), 1);
    else
        unsetenv("TZ");
}

} // namespace
} // namespace sorvalind::text
