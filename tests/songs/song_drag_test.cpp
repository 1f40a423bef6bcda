// The drag payload of song rows: compact JSON with both members, read in
// either order, refused with a member missing or of another type; the
// several-rows form is an array of the same objects.

#include "songs/song_drag.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

TEST(SongDrag, CodecRoundTripsAndRefusesWrongShapes) {
    const SongDrag drag{"song-1", 2};
    EXPECT_EQ(SongDrag::decode(drag.encode()), drag);
    EXPECT_EQ(drag.encode().find(' '), std::string::npos) << "compact";

    struct Case {
        const char* json;
        std::optional<SongDrag> expected;
    };
    const Case cases[] = {
        {R"({"songID":"a","row":0})", SongDrag{"a", 0}},
        {R"({"row":7,"songID":"a"})", SongDrag{"a", 7}},
        {R"({"row":7,"songID":"a","extra":true})", SongDrag{"a", 7}},
        {R"({"songID":"a"})", std::nullopt},
        {R"({"row":1})", std::nullopt},
        {R"({"songID":1,"row":1})", std::nullopt},
        {R"({"songID":"a","row":"1"})", std::nullopt},
        {R"({"songID":"a","row":1.5})", std::nullopt},
        {R"({"songID":"a","row":18446744073709551615})", std::nullopt},
        {R"(["a",1])", std::nullopt},
        {"song-1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SongDrag::decode(c.json), c.expected) << c.json;
}

TEST(SongDrag, SeveralRowsTravelAsAnArrayInOrder) {
    const std::vector<SongDrag> drags = {{"b", 4}, {"a", 0}, {"b", 9}};
    EXPECT_EQ(SongDrag::decodeList(SongDrag::encodeList(drags)), drags);
    EXPECT_EQ(SongDrag::decodeList("[]"), std::vector<SongDrag>{});
    EXPECT_FALSE(SongDrag::decodeList(R"([{"songID":"a","row":1},{"songID":"b"}])"));
    EXPECT_FALSE(SongDrag::decodeList(R"({"songID":"a","row":1})"));
    EXPECT_STREQ(SongDrag::listMimeType, "application/x-sorvalind-song-drags+json");
}

} // namespace
} // namespace sorvalind
