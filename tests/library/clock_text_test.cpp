#include "library/clock_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sorvalind {
namespace {

TEST(ClockText, Table) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double seconds;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0:00"},
        {-0.0, "0:00"},
        {59.9, "0:59"},
        {61.9, "1:01"},
        {75, "1:15"},
        {-5, "0:00"},
        {-0.5, "0:00"},
        {3599, "59:59"},
        {3600, "60:00"},
        {36000, "600:00"},
        {inf, "0:00"},
        {-inf, "0:00"},
        {std::nan(""), "0:00"},
        {std::numeric_limits<double>::denorm_min(), "0:00"},
        // The largest double below 2^63 still counts exactly.
        {9223372036854774784.0, "153722867280912913:04"},
        {0x1p63, "153722867280912930:08"},
        {1e20, "1666666666666666666:40"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(clockText(c.seconds), c.expected) << c.seconds;
}

TEST(ClockText, EveryFiniteValueGivesText) {
    for (double huge : {1e19, 1e300, std::numeric_limits<double>::max()}) {
        std::string text = clockText(huge);
        ASSERT_GT(text.size(), 3u);
        EXPECT_EQ(text[text.size() - 3], ':') << text;
        EXPECT_EQ(text.find_first_not_of("0123456789:"), std::string::npos) << text;
    }
}

} // namespace
} // namespace sorvalind
