#include "downloads/download_job.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

DownloadJob job(std::string status, std::optional<std::int64_t> received = std::nullopt) {
    DownloadJob result(Song::make("a1b2", "Song"), DownloadQuality::mp3_320);
    result.status = std::move(status);
    result.receivedBytes = received;
    return result;
}

TEST(DownloadJob, IdentityIsSongAndQuality) {
    EXPECT_EQ(job("Waiting").id(), "a1b2:mp3_320");
    EXPECT_NE(DownloadJob(Song::make("a1b2", "Song"), DownloadQuality::original).id(), job("Waiting").id());
}

TEST(DownloadJob, StatusLines) {
    struct Case {
        std::string status;
        std::optional<std::int64_t> received;
        std::string line;
        bool active;
    };
    const Case cases[] = {
        {"Waiting", std::nullopt, "Waiting", false},
        {"Verifying", 10, "Verifying", true},
        {"Paused", 10, "Paused", false},
        {"Failed", std::nullopt, "Failed", false},
        {"Downloading", std::nullopt, "Waiting for server\u2026", true},
        {"Downloading", 0, "Waiting for server\u2026", true},
        {"Downloading", 1, "Downloading \u00b7 1 byte received", true},
        {"Downloading", 3'200'000, "Downloading \u00b7 3.2 MB received", true},
        // Another letter case is another status.
        {"downloading", 3'200'000, "downloading", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        auto j = job(c.status, c.received);
        EXPECT_EQ(j.statusDescription(), c.line);
        EXPECT_EQ(j.isActive(), c.active);
    }
}

TEST(DownloadJob, JsonOmitsErrorAndAbsentCounts) {
    auto j = job("Failed");
    j.error = "The server returned HTTP 500.";
    auto json = j.encode();
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"progress", "quality", "song", "status"}));

    auto back = fromJSON<DownloadJob>(json);
    EXPECT_EQ(back.id(), j.id());
    EXPECT_EQ(back.status, "Failed");
    EXPECT_FALSE(back.error);
    EXPECT_FALSE(back.receivedBytes);
    EXPECT_FALSE(back.resumeAutomatically);

    j.receivedBytes = 5;
    j.expectedBytes = 10;
    j.resumeAutomatically = false;
    j.progress = 0.5;
    back = fromJSON<DownloadJob>(j.encode());
    EXPECT_EQ(back.receivedBytes, 5);
    EXPECT_EQ(back.expectedBytes, 10);
    EXPECT_EQ(back.resumeAutomatically, false); // false stays false, not none
    EXPECT_DOUBLE_EQ(back.progress, 0.5);
}

TEST(DownloadJob, DecodingRequiresTheFourKeys) {
    const auto good = job("whatever").encode();
    EXPECT_EQ(fromJSON<DownloadJob>(good).status, "whatever"); // any status text is kept
    for (const char* key : {"song", "quality", "progress", "status"}) {
        SCOPED_TRACE(key);
        auto broken = good;
        broken.erase(key);
        EXPECT_THROW(fromJSON<DownloadJob>(broken), DecodingError);
    }
    auto badQuality = good;
    badQuality["quality"] = "mp3_128";
    EXPECT_THROW(fromJSON<DownloadJob>(badQuality), DecodingError);
    auto nullCount = good;
    nullCount["receivedBytes"] = nullptr;
    EXPECT_FALSE(fromJSON<DownloadJob>(nullCount).receivedBytes);
}

} // namespace
} // namespace sorvalind
