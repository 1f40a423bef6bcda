#include "library/download_record.h"
#include "library/reference_date.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

using namespace std::chrono;
using nlohmann::json;

DownloadRecord record(const char* songId, DownloadQuality quality) {
    DownloadRecord made;
    made.song = Song::make(songId, "T", "A");
    made.quality = quality;
    made.path = "/music/42.flac";
    made.bytes = 1234;
    made.completedAt = sys_days(2024y / 3 / 5) + 13h + 7min + 9s + 123456us;
    return made;
}

TEST(DownloadRecordCoding, IdentityIsSongAndQuality) {
    EXPECT_EQ(record("42", DownloadQuality::original).id(), "42:original");
    EXPECT_EQ(record("42", DownloadQuality::mp3_192).id(), "42:mp3_192");
    EXPECT_EQ(record("a:b", DownloadQuality::mp3_320).id(), "a:b:mp3_320");
}

TEST(DownloadRecordCoding, CompletedAtIsSecondsSince2001) {
    DownloadRecord made = record("42", DownloadQuality::mp3_320);
    made.completedAt = sys_days(2001y / 1 / 1) + 90s + 500ms;
    json encoded = made.encode();
    EXPECT_EQ(encoded["completedAt"], 90.5);
    EXPECT_EQ(encoded["quality"], "mp3_320");
    EXPECT_EQ(encoded.size(), 5u);
    made.completedAt = sys_days(2000y / 12 / 31);
    EXPECT_EQ(made.encode()["completedAt"], -86400.0);
    EXPECT_EQ(fromJSON<DownloadRecord>(made.encode()).completedAt, made.completedAt);
}

TEST(DownloadRecordCoding, RoundTripKeepsEveryFieldToTheMicrosecond) {
    for (auto when : {sys_days(2024y / 3 / 5) + 13h + 7min + 9s + 123456us, sys_days(1970y / 1 / 1) + 1us,
                      sys_days(2100y / 12 / 31) + 999999us, sys_days(2001y / 1 / 1) - 1us}) {
        DownloadRecord made = record("42", DownloadQuality::mp3_256);
        made.completedAt = when;
        made.song.duration = 215.5;
        DownloadRecord back = fromJSONText<DownloadRecord>(toJSONText(made));
        EXPECT_EQ(floor<microseconds>(back.completedAt + 500ns), floor<microseconds>(when));
        EXPECT_EQ(back.song, made.song);
        EXPECT_EQ(back.quality, made.quality);
        EXPECT_EQ(back.path, made.path);
        EXPECT_EQ(back.bytes, made.bytes);
        EXPECT_EQ(toJSONText(back), toJSONText(made));
    }
}

TEST(DownloadRecordCoding, RefusesEveryMalformedRecord) {
    const json good = record("42", DownloadQuality::original).encode();
    ASSERT_NO_THROW(fromJSON<DownloadRecord>(good));
    struct Case {
        const char* key;
        json value; // null also stands for "remove the key" below
        const char* path;
    };
    const Case cases[] = {
        {"quality", "MP3_320", "quality"},
        {"quality", 320, "quality"},
        {"bytes", 12.5, "bytes"},
        {"bytes", "12", "bytes"},
        {"completedAt", "2024-03-05T13:07:09Z", "completedAt"},
        {"completedAt", 1e300, "completedAt"},
        {"path", false, "path"},
        {"song", json{{"id", "42"}}, "song.title"},
        {"song", json::array(), "song"},
    };
    for (const auto& c : cases) {
        json bad = good;
        bad[c.key] = c.value;
        try {
            fromJSON<DownloadRecord>(bad);
            ADD_FAILURE() << c.key << " " << c.value.dump();
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.path(), c.path) << error.what();
        }
    }
    for (const char* key : {"song", "quality", "path", "bytes", "completedAt"}) {
        json missing = good;
        missing.erase(key);
        EXPECT_THROW(fromJSON<DownloadRecord>(missing), DecodingError) << key;
        json null = good;
        null[key] = nullptr;
        EXPECT_THROW(fromJSON<DownloadRecord>(null), DecodingError) << key;
    }
}

TEST(ReferenceDate, ConversionsAndLimits) {
    EXPECT_EQ(referenceSeconds(sys_days(2001y / 1 / 1)), 0.0);
    EXPECT_EQ(referenceSeconds(sys_days(1970y / 1 / 1)), -978307200.0);
    EXPECT_EQ(timeFromReferenceSeconds(0.25), sys_days(2001y / 1 / 1) + 250ms);
    EXPECT_EQ(timeFromReferenceSeconds(-0.25), sys_days(2001y / 1 / 1) - 250ms);
    EXPECT_FALSE(timeFromReferenceSeconds(std::nan("")));
    EXPECT_FALSE(timeFromReferenceSeconds(1e300));
    EXPECT_FALSE(timeFromReferenceSeconds(-1e300));
}

} // namespace
} // namespace sorvalind
