// Edits the server refuses: an edit whose value the server already holds is
// taken as sent; one it keeps refusing is dropped after three pushes and
// reported once, by the item's name.
#include "errors/api_error.h"
#include "errors/refused_edit_error.h"
#include "errors/safe_error.h"
#include "sync/edit_refusals.h"
#include "sync_fixture.h"

#include <functional>

namespace sorvalind::test {
namespace {

struct RefusedEditTest : SyncTest {
    void SetUp() override {
        loopback::FakeSubsonicServer::Options options = libraryOf(3, 2, 4);
        options.refuseRepeatedStar = true;
        startServer(std::move(options));
        sync();
        server->clearRequests();
    }

    Song song(const std::string& id) { return repository->song(id).value(); }

    std::vector<std::string> queued() {
        std::vector<std::string> ids;
        for (const auto& edit : repository->pendingEdits())
            ids.push_back(edit.id);
        return ids;
    }

    void starOnServer(const std::string& id) {
        server->withLibrary([&](loopback::FakeLibrary& library) { return library.setStarred(id, true); });
    }

    // The push's failure, or none.
    std::exception_ptr push() {
        try {
            engine->pushEdits(*client);
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    }
};

// Another client starred the item first: the server refuses the repeated star
// with error 0, and reading the item back shows it starred.
TEST_F(RefusedEditTest, AStarTheServerAlreadyHoldsIsTakenAsSent) {
    struct Case {
        const char* id;
        std::function<void(LibraryRepository&)> edit;
        const char* read;
    };
    const std::vector<Case> cases = {
        {"so-1", [](LibraryRepository& r) { r.edit(r.song("so-1").value(), "favorite", 1); }, "getSong"},
        {"al-2", [](LibraryRepository& r) { r.edit(Album::make("al-2", "Album 2"), "favorite", 1); },
         "getAlbum"},
        {"ar-3", [](LibraryRepository& r) { r.edit(Artist::make("ar-3", "Artist 3"), "favorite", 1); },
         "getArtist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        starOnServer(c.id);
        c.edit(*repository);
        server->clearRequests();
        EXPECT_EQ(push(), nullptr);
        EXPECT_EQ(server->requestCount("star"), 1u);
        EXPECT_EQ(server->requestCount(c.read), 1u);
        EXPECT_TRUE(queued().empty());
    }
    // The next synchronisation brings the server's date instead of "pending".
    sync();
    EXPECT_EQ(song("so-1").starred, "2024-05-06T07:08:09Z");
}

// The answer to a star was lost: the edit stays queued, the next push's star
// is refused as a repeat, and the read shows the server has it.
TEST_F(RefusedEditTest, AStarWhoseAnswerWasLostIsAcknowledgedByTheNextPush) {
    repository->edit(song("so-1"), "favorite", 1);
    server->injectFault(loopback::FakeFault::truncated(), 1, "star");
    EXPECT_NE(push(), nullptr);
    EXPECT_EQ(queued(), std::vector<std::string>{"so-1:favorite"});

    EXPECT_EQ(push(), nullptr);
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(server->requestCount("getSong"), 1u);
}

// A rating or unstar the server refuses while it holds another value is not
// taken as sent.
TEST_F(RefusedEditTest, ARefusalOfAValueTheServerLacksKeepsTheEdit) {
    for (const char* method : {"unstar", "setRating"})
        server->setMethod(method, [this](const loopback::FakeRequest&, httplib::Response& res) {
            server->failedResponse(res, 0, "Not now");
        });
    starOnServer("so-1");
    repository->edit(song("so-1"), "favorite", 0);
    repository->edit(song("so-2"), "rating", 4);
    std::exception_ptr failure = push();
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(SafeError::message(failure), "Navidrome could not complete the request (0).");
    std::vector<std::string> left = queued();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"so-1:favorite", "so-2:rating"}));
}

// A server that refuses a star of a song it does not show as starred: the
// refusal is reported by the first two pushes, the third drops the edit and
// names the song, and later pushes neither send it nor report it again. The
// other edits go through meanwhile.
TEST_F(RefusedEditTest, AnEditRefusedInThreePushesIsDroppedAndReportedOnce) {
    wrap("star", [this](int, const loopback::FakeRequest& request, httplib::Response& res, const auto& original) {
        if (request.param("id") == "so-2") return server->failedResponse(res, 0, "Refused");
        original(request, res);
    });
    repository->edit(song("so-2"), "favorite", 1);
    for (int pushNumber = 1; pushNumber < EditRefusals::limit; ++pushNumber) {
        SCOPED_TRACE(pushNumber);
        repository->edit(song("so-" + std::to_string(pushNumber + 4)), "favorite", 1);
        std::exception_ptr failure = push();
        ASSERT_NE(failure, nullptr);
        EXPECT_EQ(SafeError::message(failure), "Navidrome could not complete the request (0).");
        EXPECT_EQ(queued(), std::vector<std::string>{"so-2:favorite"});
    }

    std::exception_ptr failure = push();
    ASSERT_NE(failure, nullptr);
    try {
        std::rethrow_exception(failure);
    } catch (const RefusedEditError& error) {
        EXPECT_EQ(error.items(), std::vector<std::string>{"Song 2"});
    } catch (...) {
        ADD_FAILURE() << "not a dropped edit";
    }
    EXPECT_EQ(SafeError::message(failure),
              "Navidrome refused the change to \u201CSong 2\u201D three times (0), so it was dropped.");
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(server->requestCount("star"), static_cast<std::size_t>(EditRefusals::limit * 2 - 1));

    server->clearRequests();
    EXPECT_EQ(push(), nullptr);
    EXPECT_EQ(server->requestCount("star"), 0u);
    // The next synchronisation shows the server's value again.
    sync();
    EXPECT_FALSE(song("so-2").starred.has_value());
}

// A server that cannot show the item (here getAlbum answers HTTP 404) leaves
// the question open: the edit still goes after three refusing pushes, named
// as the store knows it.
TEST_F(RefusedEditTest, AnItemTheServerCannotShowIsDroppedByTheCountAlone) {
    wrap("star", [this](int, const loopback::FakeRequest&, httplib::Response& res, const auto&) {
        server->failedResponse(res, 0, "Refused");
    });
    server->setMethod("getAlbum", [](const loopback::FakeRequest&, httplib::Response& res) {
        res.status = 404;
        res.set_content("Not Found", "text/plain");
    });
    repository->edit(repository->album("al-1").value(), "favorite", 1);
    for (int n = 1; n < EditRefusals::limit; ++n)
        EXPECT_NE(push(), nullptr);
    EXPECT_EQ(queued(), std::vector<std::string>{"album:al-1:favorite"});
    EXPECT_EQ(SafeError::message(push()),
              "Navidrome refused the change to \u201CAlbum 1\u201D three times (0), so it was dropped.");
    EXPECT_TRUE(queued().empty());
    EXPECT_EQ(server->requestCount("getAlbum"), static_cast<std::size_t>(EditRefusals::limit));
}

// A new value made by the user starts a fresh count.
TEST_F(RefusedEditTest, ANewValueStartsAFreshCount) {
    wrap("setRating", [this](int, const loopback::FakeRequest&, httplib::Response& res, const auto&) {
        server->failedResponse(res, 0, "Refused");
    });
    repository->edit(song("so-1"), "rating", 2);
    for (int n = 1; n < EditRefusals::limit; ++n)
        EXPECT_NE(push(), nullptr);
    repository->edit(song("so-1"), "rating", 3);
    for (int n = 1; n < EditRefusals::limit; ++n) {
        push();
        EXPECT_EQ(queued(), std::vector<std::string>{"so-1:rating"});
    }
    push();
    EXPECT_TRUE(queued().empty());
}

} // namespace
} // namespace sorvalind::test
