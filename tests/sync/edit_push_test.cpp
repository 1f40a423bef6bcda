#include "errors/api_error.h"
#include "errors/url_error.h"
#include "platform/sqlite/database.h"
#include "sync_fixture.h"

#include <sqlite3.h>

#include <future>
#include <map>
#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

struct EditPushTest : SyncTest {
    void SetUp() override {
        startServer(libraryOf(3, 2, 4));
        sync();
        server->clearRequests();
    }

    Song song(const std::string& id) { return repository->song(id).value(); }

    // The edit requests the server received, as "method id[=rating]".
    std::vector<std::string> sent() const {
        std::vector<std::string> lines;
        for (const loopback::FakeRequest& request : server->requests()) {
            if (request.restMethod != "star" && request.restMethod != "unstar" &&
                request.restMethod != "setRating")
                continue;
            std::string line = request.restMethod;
            for (const char* name : {"id", "albumId", "artistId"})
                if (auto value = request.param(name)) line += " " + std::string(name) + "=" + *value;
            if (auto rating = request.param("rating")) line += " rating=" + *rating;
            lines.push_back(line);
        }
        return lines;
    }

    std::vector<std::string> queued() {
        std::vector<std::string> ids;
        for (const auto& edit : repository->pendingEdits())
            ids.push_back(edit.id);
        return ids;
    }

    APIError failureOfPush() {
        try {
            engine->pushEdits(*client);
        } catch (const APIError& error) {
            return error;
        }
        ADD_FAILURE() << "the push did not fail";
        return APIError::response();
    }
};

TEST_F(EditPushTest, SendsEveryQueuedEditAndEmptiesTheQueue) {
    repository->edit(song("so-1"), "favorite", 1);
    repository->edit(Album::make("al-2", "Album"), "favorite", 1);
    repository->edit(Artist::make("ar-1", "Artist"), "rating", 9);
    repository->edit(song("so-2"), "favorite", 0);
    engine->pushEdits(*client);

    std::vector<std::string> requests = sent();
    std::sort(requests.begin(), requests.end());
    EXPECT_EQ(requests, (std::vector<std::string>{"setRating id=ar-1 rating=5", "star albumId=al-2",
                                                  "star id=so-1", "unstar id=so-2"}));
    EXPECT_TRUE(queued().empty());
    EXPECT_TRUE(server->withLibrary(
        [](loopback::FakeLibrary& library) { return library.song("so-1")->contains("starred"); }));
    EXPECT_TRUE(server->withLibrary(
        [](loopback::FakeLibrary& library) { return library.album("al-2")->contains("starred"); }));
}

// A refused edit (a repeated star answers "already starred") stays queued
// without holding back the others; the push reports the refusal after the
// last edit, and the next push costs one request for it.
TEST_F(EditPushTest, ARefusedEditStaysQueuedWhileTheOthersGoThrough) {
    wrap("star",
         [this](int, const loopback::FakeRequest& request, httplib::Response& res, const auto& original) {
             if (request.param("id") == "so-2") return server->failedResponse(res, 0, "Already starred");
             original(request, res);
         });
    for (const char* id : {"so-1", "so-2", "so-3"})
        repository->edit(song(id), "favorite", 1);

    const APIError error = failureOfPush();
    EXPECT_EQ(error.kind(), APIError::Case::server);
    EXPECT_EQ(error.code(), 0);
    EXPECT_EQ(server->requestCount("star"), 3u);
    EXPECT_EQ(queued(), std::vector<std::string>{"so-2:favorite"});

    server->clearRequests();
    EXPECT_EQ(failureOfPush().code(), 0);
    EXPECT_EQ(sent(), std::vector<std::string>{"star id=so-2"});
}

TEST_F(EditPushTest, AnEditOfAnItemGoneFromTheServerIsDropped) {
    // The server answers 70 for an identifier it does not know.
    repository->edit(Album::make("al-gone", "Gone"), "favorite", 1);
    repository->edit(song("so-1"), "favorite", 1);
    engine->pushEdits(*client);
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(server->requestCount("star"), 2u);
}

// A failure of the connection, an HTTP status or a refusal of the
// credentials ends the push there: the edits after it stay queued.
TEST_F(EditPushTest, AFailureOfTheConnectionEndsThePushWithTheRestQueued) {
    struct Case {
        loopback::FakeFault fault;
        std::function<bool(std::exception_ptr)> expected;
    };
    const std::vector<Case> cases = {
        {loopback::FakeFault::status(500),
         [](std::exception_ptr e) {
             try {
                 std::rethrow_exception(e);
             } catch (const APIError& error) {
                 return error.kind() == APIError::Case::http && error.code() == 500;
             } catch (...) {
                 return false;
             }
         }},
        {loopback::FakeFault::truncated(),
         [](std::exception_ptr e) {
             try {
                 std::rethrow_exception(e);
             } catch (const URLError& error) {
                 return error.code() == URLError::networkConnectionLost;
             } catch (...) {
                 return false;
             }
         }},
        {loopback::FakeFault::subsonicError(40),
         [](std::exception_ptr e) {
             try {
                 std::rethrow_exception(e);
             } catch (const APIError& error) {
                 return error.kind() == APIError::Case::server && error.code() == 40;
             } catch (...) {
                 return false;
             }
         }},
    };
    std::map<std::string, loopback::FakeSubsonicServer::RestHandler> standard;
    for (const char* method : {"star", "unstar", "setRating"})
        standard[method] = server->method(method);
    for (const Case& c : cases) {
        repository->edit(song("so-1"), "favorite", 1);
        repository->edit(song("so-2"), "rating", 3);
        repository->edit(song("so-3"), "favorite", 0);
        const std::vector<std::string> before = queued();
        ASSERT_EQ(before.size(), 3u);
        // The first edit request passes and arms the fault for the second.
        for (const char* method : {"star", "unstar", "setRating"}) {
            server->setMethod(method, standard[method]);
            wrap(method, [this, c](int, const loopback::FakeRequest& request, httplib::Response& res,
                                   const auto& original) {
                if (server->requestCount("star") + server->requestCount("unstar") +
                        server->requestCount("setRating") ==
                    1)
                    server->injectFault(c.fault, 1);
                original(request, res);
            });
        }
        server->clearRequests();
        std::exception_ptr failure;
        try {
            engine->pushEdits(*client);
        } catch (...) {
            failure = std::current_exception();
        }
        EXPECT_TRUE(c.expected(failure));
        EXPECT_EQ(sent().size(), 2u);
        EXPECT_EQ(queued(), std::vector<std::string>(before.begin() + 1, before.end()));
        // The next push sends what is left.
        engine->pushEdits(*client);
        EXPECT_TRUE(queued().empty());
    }
}

TEST_F(EditPushTest, TwoPushesAtOnceSendEachEditOnce) {
    for (const char* id : {"so-1", "so-2", "so-3", "so-4"})
        repository->edit(song(id), "favorite", 1);
    server->injectFault(loopback::FakeFault::stalled(), 1, "star");
    const TaskHandle first = engine->startPushEdits(*client);
    while (server->requestCount("star") == 0)
        std::this_thread::sleep_for(1ms);
    auto second = std::async(std::launch::async, [this] { engine->pushEdits(*client); });
    EXPECT_EQ(second.wait_for(100ms), std::future_status::timeout);
    server->releaseStalled();
    second.get();
    EXPECT_TRUE(first.isFinished());
    EXPECT_EQ(server->requestCount("star"), 4u);
    EXPECT_TRUE(queued().empty());
}

TEST_F(EditPushTest, AnEditChangedWhileInFlightStaysForTheNextPush) {
    repository->edit(song("so-1"), "favorite", 1);
    server->injectFault(loopback::FakeFault::stalled(), 1, "star");
    auto push = std::async(std::launch::async, [this] { engine->pushEdits(*client); });
    while (server->requestCount("star") == 0)
        std::this_thread::sleep_for(1ms);
    repository->edit(song("so-1"), "favorite", 0);
    server->releaseStalled();
    push.get();
    EXPECT_EQ(queued(), std::vector<std::string>{"so-1:favorite"});

    engine->pushEdits(*client);
    EXPECT_EQ(sent(), (std::vector<std::string>{"star id=so-1", "unstar id=so-1"}));
    EXPECT_TRUE(queued().empty());
}

TEST_F(EditPushTest, AnEditOfAnotherKindIsDroppedUnsent) {
    repository->edit(song("so-1"), "favorite", 1);
    {
        // A queue row no version of this program writes.
        Database raw((folder.path() / "Library.sqlite").string(), SQLITE_OPEN_READWRITE);
        raw.setBusyTimeout(5000);
        raw.execute("INSERT INTO edits(id,song_id,kind,value) VALUES('so-2:playCount','so-2','playCount',7)");
    }
    ASSERT_EQ(queued().size(), 2u);
    engine->pushEdits(*client);
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(sent(), std::vector<std::string>{"star id=so-1"});
    EXPECT_EQ(server->requests().size(), 1u);
}

TEST_F(EditPushTest, CancellingAWaitingPushLeavesTheEarlierOneRunning) {
    for (const char* id : {"so-1", "so-2"})
        repository->edit(song(id), "favorite", 1);
    server->injectFault(loopback::FakeFault::stalled(), 1, "star");
    const TaskHandle first = engine->startPushEdits(*client);
    while (server->requestCount("star") == 0)
        std::this_thread::sleep_for(1ms);
    std::stop_source stop;
    auto second = std::async(std::launch::async, [&] { engine->pushEdits(*client, stop.get_token()); });
    stop.request_stop();
    EXPECT_EQ(second.wait_for(100ms), std::future_status::timeout); // it still waits for the first
    server->releaseStalled();
    EXPECT_THROW(second.get(), CancellationError);
    EXPECT_FALSE(first.isCancelled());
    EXPECT_EQ(server->requestCount("star"), 2u);
    EXPECT_TRUE(queued().empty());
}

} // namespace
} // namespace sorvalind::test
