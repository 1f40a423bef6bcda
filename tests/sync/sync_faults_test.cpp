#include "errors/api_error.h"
#include "errors/url_error.h"
#include "sync_fixture.h"

#include <future>
#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

// Real faults of the connection and the server in the middle of a run over
// 2,000 songs (four pages). A fault must outlast the client's retries of a
// read (four attempts) to reach the engine.
struct SyncFaultsTest : SyncTest {
    void SetUp() override { startServer(libraryOf(10, 10, 20)); }

    enum class Fault { none, truncated, stalled };

    // Every request for the third page or later (each retry too) gets the
    // fault, until it is set back to none.
    void faultFromThirdPage(Fault kind) {
        fault = kind;
        wrap("search3",
             [this](int, const loopback::FakeRequest& request, httplib::Response& res, const auto& original) {
                 original(request, res);
                 const Fault now = fault.load();
                 if (now == Fault::none || std::stoi(request.param("songOffset").value()) < 1000) return;
                 const std::string body = std::move(res.body);
                 const std::string type = res.get_header_value("Content-Type");
                 res.body.clear();
                 res.set_content_provider(
                     body.size(), type,
                     [this, body, now](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                         if (offset == 0) {
                             sink.write(body.data(), body.size() / 2);
                             return true;
                         }
                         // Truncated: the connection closes short of the length.
                         // Stalled: nothing more until the client gives up.
                         while (now == Fault::stalled && sink.is_writable() && !tearingDown)
                             std::this_thread::sleep_for(20ms);
                         return false;
                     });
             });
    }

    void TearDown() override {
        tearingDown = true;
        SyncTest::TearDown();
    }

    std::atomic<Fault> fault = Fault::none;
    std::atomic<bool> tearingDown = false;

    // The run stopped after two pages: they and their checkpoint stand, the
    // failing page wrote nothing.
    void expectTwoPagesKept() {
        EXPECT_EQ(repository->songCount(), 1000);
        ASSERT_TRUE(checkpoint());
        EXPECT_EQ(checkpoint()->songs, 1000);
        EXPECT_EQ(progress.messages().back(), "Indexing 1,000 songs");
    }

    // The next run goes on at the checkpoint, completes the generation and
    // verifies with a whole pass.
    void expectResumed() {
        fault = Fault::none;
        server->clearRequests();
        sync();
        EXPECT_EQ(pageOffsets(), (std::vector<int>{1000, 1500, 2000, 0, 500, 1000, 1500, 2000}));
        EXPECT_EQ(repository->songCount(), 2000);
        EXPECT_FALSE(checkpoint());
    }

    template <class Error> Error failureOfSync() {
        try {
            sync();
        } catch (const Error& error) {
            return error;
        }
        ADD_FAILURE() << "the run did not fail as expected";
        throw std::logic_error("no failure");
    }
};

TEST_F(SyncFaultsTest, ATruncatedAnswerEndsTheRunAndTheNextResumes) {
    faultFromThirdPage(Fault::truncated);
    EXPECT_EQ(failureOfSync<URLError>().code(), URLError::networkConnectionLost);
    EXPECT_EQ(pageOffsets(), (std::vector<int>{0, 500, 1000}));
    const std::vector<int> offsets = songOffsets();
    EXPECT_EQ(std::count(offsets.begin(), offsets.end(), 1000), 4); // every attempt at the third page
    expectTwoPagesKept();
    expectResumed();
}

TEST_F(SyncFaultsTest, AStalledAnswerTimesOutAndTheNextRunResumes) {
    connect(true);
    faultFromThirdPage(Fault::stalled);
    EXPECT_EQ(failureOfSync<URLError>().code(), URLError::timedOut);
    EXPECT_EQ(pageOffsets(), (std::vector<int>{0, 500, 1000}));
    const std::vector<int> offsets = songOffsets();
    EXPECT_EQ(std::count(offsets.begin(), offsets.end(), 1000), 4);
    expectTwoPagesKept();
    expectResumed();
}

TEST_F(SyncFaultsTest, AServerThatGoesAwayEndsTheRunAndTheNextResumesElsewhere) {
    // The third page stalls; the server is shut down under it, so the
    // attempt loses its connection and the retries are refused.
    connect(true);
    faultFromThirdPage(Fault::stalled);
    auto run = std::async(std::launch::async, [this] {
        try {
            sync();
        } catch (const URLError& error) {
            return error.code();
        }
        return 0;
    });
    while (server->requestCount("search3") < 3)
        std::this_thread::sleep_for(1ms);
    server.reset();
    const int code = run.get();
    EXPECT_TRUE(code == URLError::cannotConnectToHost || code == URLError::networkConnectionLost) << code;
    expectTwoPagesKept();

    // The same library served again, at another address.
    startServer(libraryOf(10, 10, 20));
    expectResumed();
}

// Subsonic errors are not retried: the run ends with the server's error, and
// what an earlier complete run stored stays.
TEST_F(SyncFaultsTest, AServerErrorMidRunEndsTheRunAndDeletesNothing) {
    sync();
    ASSERT_EQ(repository->songCount(), 2000);
    const auto standard = server->method("search3");
    for (int code : {40, 70}) {
        SCOPED_TRACE(code);
        server->setMethod("search3", standard);
        server->withLibrary([](loopback::FakeLibrary& library) { library.songs.resize(1800); });
        wrap("search3", [this, code](int call, const loopback::FakeRequest& request, httplib::Response& res,
                                     const auto& original) {
            if (call == 3) return server->failedResponse(res, code, "Refused");
            original(request, res);
        });
        progress.clear();
        const APIError error = failureOfSync<APIError>();
        EXPECT_EQ(error.kind(), APIError::Case::server);
        EXPECT_EQ(error.code(), code);
        // The 200 songs gone from the server are still here: only a finished
        // run deletes.
        EXPECT_EQ(repository->songCount(), 2000);
        EXPECT_EQ(checkpoint().value().songs, 1000);
        EXPECT_EQ(progress.messages().back(), "Indexing 1,000 songs");
        repository->setState("syncCheckpoint", "{}");
    }
}

TEST_F(SyncFaultsTest, AnEditQueuedDuringASyncSurvivesItAndIsPushedNext) {
    sync();
    server->injectFault(loopback::FakeFault::stalled(), 1, "search3");
    server->clearRequests();
    auto run = std::async(std::launch::async, [this] { sync(); });
    while (server->requestCount("search3") == 0)
        std::this_thread::sleep_for(1ms);

    const std::optional<Song> song = repository->song("so-7");
    ASSERT_TRUE(song);
    ASSERT_TRUE(repository->edit(*song, "rating", 4));
    server->releaseStalled();
    run.get();

    EXPECT_EQ(repository->song("so-7")->userRating, 4);
    ASSERT_EQ(repository->pendingEdits().size(), 1u);
    engine->pushEdits(*client);
    EXPECT_TRUE(repository->pendingEdits().empty());
    const std::vector<loopback::FakeRequest> requests = server->requests();
    const auto rating = std::find_if(requests.begin(), requests.end(), [](const loopback::FakeRequest& r) {
        return r.restMethod == "setRating";
    });
    ASSERT_NE(rating, requests.end());
    EXPECT_EQ(rating->param("id"), "so-7");
    EXPECT_EQ(rating->param("rating"), "4");
}

} // namespace
} // namespace sorvalind::test
