#include "platform/text/byte_count.h"

#include <gtest/gtest.h>

#include <limits>

namespace sorvalind {
namespace {

TEST(ByteCount, FileStyleTexts) {
    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"},
        {3'200'000, "3.2 MB"},
        {1'000'000, "1 MB"},
        {29'456'789, "29.5 MB"},
        {1'234'567'890, "1.23 GB"},
        {1'500'000'000, "1.5 GB"},
        {999'999'999, "1 GB"},
        {2'000'000'000'000, "2 TB"},
        {std::numeric_limits<std::int64_t>::max(), "9.22 EB"},
        {-1, "-1 byte"},
        {std::numeric_limits<std::int64_t>::min(), "-9.22 EB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileByteCountText(c.bytes), c.text) << c.bytes;
}

TEST(ByteCount, NumberFollowsTheGivenLocale) {
    EXPECT_EQ(fileByteCountText(3'200'000, "de_DE"), "3,2 MB");
    EXPECT_EQ(fileByteCountText(1'234'567'890, "fr_FR"), "1,23 GB");
    EXPECT_EQ(fileByteCountText(3'200'000, "en_US"), "3.2 MB");
}

} // namespace
} // namespace sorvalind
