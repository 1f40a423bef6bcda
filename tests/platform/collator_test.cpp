#include "platform/text/collator.h"
#include "support/locale_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::text {
namespace {

using test::LocaleEnvironment;

// The order a listing shows: sorted by sort key, byte for byte.
std::vector<std::string> sortedByKey(const Collator& collator, std::vector<std::string> values) {
    std::stable_sort(values.begin(), values.end(), [&](const std::string& a, const std::string& b) {
        return collator.sortKey(a) < collator.sortKey(b);
    });
    return values;
}

TEST(Collator, UserLocaleComesFromCollationVariables) {
    LocaleEnvironment environment;
    struct Case {
        const char* lcAll;
        const char* lcCollate;
        const char* lang;
        std::string expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "en_US.UTF-8", "en_US"},
        {nullptr, "sv_SE.UTF-8", "en_US.UTF-8", "sv_SE"},
        {"de_DE@euro", "sv_SE.UTF-8", "en_US.UTF-8", "de_DE"},
        {nullptr, nullptr, "C", ""},
        {nullptr, "POSIX", "en_US.UTF-8", ""},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        LocaleEnvironment::set("LC_ALL", c.lcAll ? std::optional<std::string>(c.lcAll) : std::nullopt);
        LocaleEnvironment::set("LC_COLLATE",
                               c.lcCollate ? std::optional<std::string>(c.lcCollate) : std::nullopt);
        LocaleEnvironment::set("LANG", c.lang ? std::optional<std::string>(c.lang) : std::nullopt);
        EXPECT_EQ(userCollationLocaleId(), c.expected) << (c.lang ? c.lang : "(none)");
        EXPECT_EQ(Collator::forUser().localeId(), c.expected);
    }
}

TEST(Collator, OrdersNumbersByValueAndKeepsCaseVariantsTogether) {
    for (const char* locale : {"en_US", "C"}) {
        const Collator collator(locale);
        const std::vector<std::string> sorted =
            sortedByKey(collator, {"Track 10", "track 2", "Beta", "alpha", "Track 2", "ALPHA", "beta",
                                   "Alpha", "10", "9"});
        // Digit runs by value; each case variant next to the others of its word.
        const std::vector<std::string> expected = {"9",    "10",   "alpha",   "Alpha",   "ALPHA",
                                                   "beta", "Beta", "track 2", "Track 2", "Track 10"};
        EXPECT_EQ(sorted, expected) << locale;
        EXPECT_EQ(collator.compare("Track 2", "track 10"), std::weak_ordering::less) << locale;
        EXPECT_EQ(collator.compare("abc", "abc"), std::weak_ordering::equivalent);
        // Tertiary strength: case alone still tells two texts apart.
        EXPECT_NE(collator.sortKey("abc"), collator.sortKey("ABC"));
        EXPECT_EQ(collator.sortKey("abc"), collator.sortKey("abc"));
    }
}

TEST(Collator, KeyOrderMatchesComparisonAndHandlesAwkwardText) {
    const Collator collator("en_US");
    const std::vector<std::string> values = {
        "",
        "\xC3\x89lan",
        "Elan",
        "e\xCC\x81lan",
        "Zebra",
        "\xF0\x9F\x8E\xB5",
        "\xFF\xFE"
        "bad",
        std::string(300, 'x'),
    };
    for (const std::string& a : values) {
        for (const std::string& b : values) {
            const auto byKey = collator.sortKey(a) <=> collator.sortKey(b);
            const std::weak_ordering byCompare = collator.compare(a, b);
            EXPECT_EQ(byKey < 0, byCompare < 0) << a << " / " << b;
            EXPECT_EQ(byKey == 0, byCompare == 0) << a << " / " << b;
        }
    }
    // Canonically equivalent spellings share a key; the accent sorts after
    // the plain letter but before the next word.
    EXPECT_EQ(collator.sortKey("\xC3\x89lan"), collator.sortKey("E\xCC\x81lan"));
    EXPECT_EQ(sortedByKey(collator, {"Zebra", "\xC3\x89lan", "Elan"}),
              (std::vector<std::string>{"Elan", "\xC3\x89lan", "Zebra"}));
}

TEST(Collator, LocaleRulesApplyOnlyToTheirLocale) {
    // Swedish puts "ö" after "z"; the root order files it with "o".
    const std::string oUmlaut = "\xC3\xB6l";
    EXPECT_EQ(Collator("sv_SE").compare(oUmlaut, "zebra"), std::weak_ordering::greater);
    EXPECT_EQ(Collator("C").compare(oUmlaut, "zebra"), std::weak_ordering::less);
    EXPECT_EQ(Collator("xx_NOWHERE").compare(oUmlaut, "zebra"), std::weak_ordering::less);
}

} // namespace
} // namespace sorvalind::text
