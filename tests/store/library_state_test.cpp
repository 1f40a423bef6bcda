#include "store_test_support.h"

#include "errors/database_error.h"
#include "library/json_coding.h"
#include "runtime/async_call.h"
#include "runtime/timer_wait.h"
#include "store/position_text.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

namespace sorvalind::test {
namespace {

using StateTest = StoreTest;

TEST_F(StateTest, KeysAndPlayback) {
    auto& store = open();
    EXPECT_EQ(store.state("queue"), std::nullopt);
    store.setState("downloadJobs", "[1]");
    store.setState("downloadJobs", "[2]");
    EXPECT_EQ(store.state("downloadJobs"), "[2]");

    // The queue's own text is kept as given, key order included.
    const std::string queue = R"({"songs":[],"index":0,"repeat":"off"})";
    store.savePlayback(queue, 12.5);
    EXPECT_EQ(store.state("queue"), queue);
    EXPECT_EQ(store.state("position"), "12.5");
    store.savePlayback(std::nullopt, 42);
    EXPECT_EQ(store.state("queue"), queue);
    EXPECT_EQ(store.state("position"), "42.0");
}

TEST(PositionText, ShortestRoundTripWithADecimalPoint) {
    struct Case {
        double value;
        const char* text;
    };
    for (auto [number, text] : std::vector<Case>{{0.0, "0.0"},
                                                 {-0.0, "-0.0"},
                                                 {42, "42.0"},
                                                 {12.5, "12.5"},
                                                 {0.1, "0.1"},
                                                 {1.0 / 3, "0.3333333333333333"},
                                                 {123456789.25, "123456789.25"},
                                                 {0.0001, "0.0001"},
                                                 {0.00001, "1e-05"},
                                                 {1e16, "1e+16"},
                                                 {std::numeric_limits<double>::infinity(), "inf"},
                                                 {std::nan(""), "nan"}})
        EXPECT_EQ(positionText(number), text) << number;
}

TEST_F(StateTest, FailingStateReadIsAnErrorNotAbsent) {
    auto& store = open();
    store.setState("queue", "[]");
    raw().execute(
        "ALTER TABLE state RENAME TO state_stored; CREATE VIEW state AS SELECT key, CASE key WHEN 'boom' "
        "THEN abs(-9223372036854775808) ELSE value END AS value FROM state_stored;");
    raw().execute("INSERT INTO state_stored VALUES('boom','x')");
    EXPECT_EQ(store.state("queue"), "[]");
    EXPECT_THROW(store.state("boom"), DatabaseError);
}

DownloadRecord record(const std::string& song, DownloadQuality quality, const std::string& path) {
    DownloadRecord record;
    record.song = Song::make(song, "Title");
    record.quality = quality;
    record.path = path;
    record.bytes = 1000;
    record.completedAt = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    return record;
}

TEST_F(StateTest, DownloadRecordsOnePerSongAndQuality) {
    auto& store = open();
    store.saveDownload(record("s1", DownloadQuality::mp3_320, "/a"));
    store.saveDownload(record("s1", DownloadQuality::mp3_320, "/b"));
    store.saveDownload(record("s1", DownloadQuality::original, "/c"));
    EXPECT_EQ(column("SELECT id||' '||song_id||' '||quality FROM downloads ORDER BY id"),
              (std::vector<std::string>{"s1:mp3_320 s1 mp3_320", "s1:original s1 original"}));
    auto records = store.downloads();
    ASSERT_EQ(records.size(), 2u);
    for (const auto& stored : records)
        EXPECT_EQ(stored.path, stored.quality == DownloadQuality::original ? "/c" : "/b");
    EXPECT_EQ(value("SELECT json FROM downloads WHERE id='s1:mp3_320'"),
              toJSONText(record("s1", DownloadQuality::mp3_320, "/b")));

    store.removeDownload("s1:mp3_320");
    store.removeDownload("s1:mp3_320");
    EXPECT_EQ(store.downloads().size(), 1u);

    raw().execute("UPDATE downloads SET json='{}'");
    EXPECT_THROW(store.downloads(), DecodingError);
}

TEST_F(StateTest, CallsOnTheMainActorAreRefused) {
    auto& store = open();
    EXPECT_THROW(callSync(mainActor, [&] { return store.state("queue"); }), OwnExecutorWaitError);
    // Work handed to the store's own queue calls it inline.
    EXPECT_EQ(callSync(store.executor(),
                       [&] {
                           store.setState("k", "v");
                           return store.state("k");
                       }),
              "v");
}

TEST_F(StateTest, ConcurrentCallersAreSerialised) {
    auto& store = open();
    store.ingest(SearchPage::make({}, {}, {Song::make("s1", "One")}), "g");
    std::vector<std::thread> threads;
    std::atomic<int> failures = 0;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&, thread] {
            try {
                for (int round = 0; round < 50; ++round) {
                    store.edit(Song::make("s1", "One"), "rating", round % 6);
                    store.setState("k" + std::to_string(thread), std::to_string(round));
                    store.ingest(SearchPage::make({}, {}, {Song::make("s1", "One")}), "g");
                    (void)store.pendingEdits();
                }
            } catch (...) {
                ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    for (int thread = 0; thread < 4; ++thread)
        EXPECT_EQ(store.state("k" + std::to_string(thread)), "49");
}

} // namespace
} // namespace sorvalind::test
