// The reporter wired to the real REST client, its requests running on a
// worker thread against the loopback server, its main actor a manual
// executor driven by the test.

#include "server/listening_event_reporter.h"

#include "loopback/fake_subsonic_server.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"
#include "server/server_configuration.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind {
namespace {

using loopback::FakeFault;
using loopback::FakeSubsonicServer;

using Call = std::pair<std::string, std::string>; // song id, submission

std::vector<Call> scrobblesReceived(const loopback::FakeSubsonicServer& server) {
    std::vector<Call> calls;
    for (const auto& request : server.requests()) {
        if (request.restMethod == "scrobble")
            calls.emplace_back(request.param("id").value_or(""), request.param("submission").value_or(""));
    }
    return calls;
}

struct ReporterWithClient : ::testing::Test {
    loopback::FakeSubsonicServer server;
    VirtualClock clock;
    ManualExecutor mainActor{clock};
    WorkerPool worker{1, "scrobble"};
    std::shared_ptr<APIClient> client = std::make_shared<APIClient>(
        ServerConfiguration(server.baseUrl(), "alice", true), "sesame", mainActor);
    ListeningEventReporter reporter{mainActor, worker};

    void SetUp() override {
        reporter.setApi(client);
        reporter.setEnabled(true);
    }
    // Runs the main actor until every request the reporter started has ended.
    void settle() {
        ASSERT_TRUE(mainActor.runUntil([&] { return reporter.pendingCount() == 0; }));
    }
    // Plays `seconds` with a position report every quarter second.
    void play(const QueueEntry& entry, int seconds) {
        for (int i = 0; i < seconds * 4; ++i) {
            reporter.progressed(entry, 0.25, true);
            settle();
        }
    }
};

TEST_F(ReporterWithClient, NowPlayingAndSubmissionReachTheServer) {
    Song song = Song::make("so-1", "Title");
    song.duration = 40;
    const QueueEntry entry(song);
    reporter.progressed(entry, 1, true); // the report right after switching on does not count
    reporter.began(entry, false);
    settle();
    EXPECT_EQ(scrobblesReceived(server), (std::vector<Call>{{"so-1", "false"}}));

    play(entry, 19);
    EXPECT_EQ(scrobblesReceived(server).size(), 1u) << "nothing submitted before half the song";
    play(entry, 21);
    EXPECT_TRUE(reporter.submitted(entry.id));
    EXPECT_EQ(scrobblesReceived(server), (std::vector<Call>{{"so-1", "false"}, {"so-1", "true"}}));
    server.withLibrary([](const loopback::FakeLibrary& library) {
        ASSERT_EQ(library.scrobbles.size(), 2u);
        EXPECT_FALSE(library.scrobbles[0].submission);
        EXPECT_TRUE(library.scrobbles[1].submission);
        EXPECT_EQ(library.scrobbles[1].id, "so-1");
    });
}

TEST_F(ReporterWithClient, ARefusingServerReceivesOneSubmissionPerPlay) {
    server.injectFault(loopback::FakeFault::status(500), 10'000, "scrobble");
    Song song = Song::make("so-1", "Title");
    song.duration = 180;
    const QueueEntry entry(song);
    reporter.progressed(entry, 1, true);
    reporter.began(entry, false);
    settle();
    play(entry, 180);
    EXPECT_EQ(scrobblesReceived(server), (std::vector<Call>{{"so-1", "false"}, {"so-1", "true"}}));

    // Repeat-one plays it again: one more notice and one more submission.
    reporter.began(entry, true);
    settle();
    play(entry, 180);
    EXPECT_EQ(scrobblesReceived(server),
              (std::vector<Call>{{"so-1", "false"}, {"so-1", "true"}, {"so-1", "false"}, {"so-1", "true"}}));
    server.withLibrary([](const loopback::FakeLibrary& library) { EXPECT_TRUE(library.scrobbles.empty()); });
}

} // namespace
} // namespace sorvalind
