#include "library/reference_date.h"
#include "runtime/cancellation.h"
#include "sync_fixture.h"

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

// 2,000 songs: four pages, then the empty one.
struct SyncResumeTest : SyncTest {
    void SetUp() override { startServer(libraryOf(10, 10, 20)); }
};

TEST_F(SyncResumeTest, ACancelledRunKeepsItsLastPageAndResumesWithinHalfAnHour) {
    std::stop_source stop;
    auto original = server->method("search3");
    std::atomic<int> calls = 0;
    server->setMethod("search3", [&](const loopback::FakeRequest& request, httplib::Response& res) {
        if (++calls == 3) stop.request_stop();
        original(request, res);
    });
    EXPECT_THROW(sync(stop.get_token()), CancellationError);
    server->setMethod("search3", original);

    EXPECT_EQ(repository->songCount(), 1000);
    const std::optional<SyncCheckpoint> stored = checkpoint();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->songs, 1000);
    EXPECT_EQ(stored->artists, 10);
    EXPECT_EQ(stored->albums, 100);
    EXPECT_EQ(stored->started, wall.now());
    EXPECT_EQ(progress.messages().back(), "Indexing 1,000 songs");

    // Ten minutes later: the stored generation is completed, then a whole
    // pass under a new one decides what stays.
    wall.advance(10min);
    server->clearRequests();
    progress.clear();
    sync();
    EXPECT_EQ(songOffsets(), (std::vector<int>{1000, 1500, 2000, 0, 500, 1000, 1500, 2000}));
    const std::vector<SyncProgress> reports = {
        {0, 0, 0, "Playlists up to date"},       {10, 100, 1500, "Indexing 1,500 songs"},
        {10, 100, 2000, "Indexing 2,000 songs"}, {0, 0, 0, "Verifying resumed library"},
        {10, 100, 500, "Indexing 500 songs"},    {10, 100, 1000, "Indexing 1,000 songs"},
        {10, 100, 1500, "Indexing 1,500 songs"}, {10, 100, 2000, "Indexing 2,000 songs"},
        {10, 100, 2000, "Library up to date"},
    };
    EXPECT_EQ(progress.reports(), reports);
    EXPECT_EQ(repository->songCount(), 2000);
    EXPECT_FALSE(checkpoint());
}

// What a stored checkpoint makes of the next run, by its age on the clock and
// its shape.
TEST_F(SyncResumeTest, AStoredCheckpointIsResumedOnlyWhileYoungAndReadable) {
    struct Case {
        const char* name;
        std::function<std::string(WallTime now)> stored;
        bool resumed;
    };
    auto at = [](WallTime started) { return std::to_string(referenceSeconds(started)); };
    auto json = [at](WallTime started) {
        return R"({"generation":"OLD","artists":10,"albums":100,"songs":1500,"started":)" + at(started) + "}";
    };
    const std::vector<Case> cases = {
        {"ten minutes old", [&](WallTime now) { return json(now - 10min); }, true},
        {"just under the limit", [&](WallTime now) { return json(now - 1799s); }, true},
        {"exactly 1800 s old", [&](WallTime now) { return json(now - 1800s); }, false},
        {"forty minutes old", [&](WallTime now) { return json(now - 40min); }, false},
        {"not JSON", [](WallTime) { return std::string("{\"generation\":"); }, false},
        {"a key missing",
         [&](WallTime now) {
             return R"({"generation":"OLD","artists":10,"albums":100,"started":)" + at(now) + "}";
         },
         false},
        {"an offset of the wrong type",
         [&](WallTime now) {
             return R"({"generation":"OLD","artists":10,"albums":100,"songs":"1500","started":)" + at(now) +
                    "}";
         },
         false},
        {"not UTF-8",
         [&](WallTime now) {
             return "{\"generation\":\"\xff\",\"artists\":10,\"albums\":100,\"songs\":1500,\"started\":" +
                    at(now) + "}";
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        repository->setState("syncCheckpoint", c.stored(wall.now()));
        server->clearRequests();
        progress.clear();
        sync();
        const std::vector<int> expected = c.resumed ? std::vector<int>{1500, 2000, 0, 500, 1000, 1500, 2000}
                                                    : std::vector<int>{0, 500, 1000, 1500, 2000};
        EXPECT_EQ(songOffsets(), expected);
        const std::vector<std::string> messages = progress.messages();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), "Verifying resumed library"),
                  c.resumed ? 1 : 0);
        EXPECT_EQ(repository->songCount(), 2000);
        EXPECT_FALSE(repository->state("syncCheckpoint"));
    }
}

// A resumed run writes the rest under the stored generation, and the age
// counts from that generation's start, not from its last page.
TEST_F(SyncResumeTest, TheAgeCountsFromTheGenerationsStart) {
    std::stop_source stop;
    auto original = server->method("search3");
    std::atomic<int> calls = 0;
    server->setMethod("search3", [&](const loopback::FakeRequest& request, httplib::Response& res) {
        if (++calls == 2 || calls == 4) stop.request_stop();
        original(request, res);
    });
    EXPECT_THROW(sync(stop.get_token()), CancellationError);
    const std::string generation = checkpoint().value().generation;
    EXPECT_EQ(checkpoint()->songs, 500);

    wall.advance(20min);
    stop = std::stop_source();
    calls = 2;
    EXPECT_THROW(sync(stop.get_token()), CancellationError);
    EXPECT_EQ(checkpoint().value().generation, generation);
    EXPECT_EQ(checkpoint()->songs, 1000);

    // 35 minutes after the generation started, 15 after its last page.
    wall.advance(15min);
    server->setMethod("search3", original);
    server->clearRequests();
    sync();
    EXPECT_EQ(songOffsets(), (std::vector<int>{0, 500, 1000, 1500, 2000}));
}

} // namespace
} // namespace sorvalind::test
