#include "http/body_collector.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

HttpResponseHead announcing(std::optional<std::int64_t> length) {
    HttpResponseHead head;
    head.status = 200;
    head.expectedContentLength = length;
    return head;
}

// The announced length is only a claim: nothing is set aside for it before
// the bytes come, however large it is.
TEST(BodyCollector, GrowsWithTheBytesNotWithTheAnnouncedLength) {
    constexpr std::size_t cap = 64u << 20;
    BodyCollector collector(cap);
    collector.onResponse(announcing(static_cast<std::int64_t>(cap)));
    EXPECT_EQ(collector.onData("abc"), HttpStreamHandler::Flow::proceed);
    std::string body = collector.take();
    EXPECT_EQ(body, "abc");
    EXPECT_LT(body.capacity(), std::size_t{1} << 20);
}

TEST(BodyCollector, TheCapHoldsForAnnouncedAndArrivingBytes) {
    BodyCollector announcedOver(10);
    EXPECT_THROW(announcedOver.onResponse(announcing(11)), ResponseTooLargeError);

    for (std::optional<std::int64_t> length :
         {std::optional<std::int64_t>(10), std::optional<std::int64_t>(), std::optional<std::int64_t>(-1)}) {
        BodyCollector collector(10);
        collector.onResponse(announcing(length));
        collector.onData("12345");
        EXPECT_THROW(collector.onData("123456"), ResponseTooLargeError);
        collector.onData("67890");
        EXPECT_THROW(collector.onData("x"), ResponseTooLargeError);
        EXPECT_EQ(collector.take(), "1234567890");
    }
}

} // namespace
} // namespace sorvalind
