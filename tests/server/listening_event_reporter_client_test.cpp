// The reporter wired to the real REST client, its requests running on a
// worker thread against the loopback server, its main actor a manual
// executor driven by the test.

#include "server/listening_event_reporter.h"

#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"
#include "server/server_configuration.h"
#include "support/fake_subsonic_server.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind {
namespace {

using test::FakeFault;
using test::FakeSubsonicServer;

using Call = std::pair<std::string, std::string>; // song id, submission

std::vector<Call> scrobblesReceived(const FakeSubsonicServer& server) {
    std::vector<Call> calls;
    for (const auto& request : server.requests()) {
        if (request.restMethod == "scrobble")
            calls.emplace_back(request.param("id").value_or(""), request.param("submission").value_or(""));
    }
    return calls;
}

TEST(ListeningEventReporterWithClient, NowPlayingAndSubmissionReachTheServerAndAFailureIsRetried) {
    FakeSubsonicServer server;
    VirtualClock clock;
    ManualExecutor mainActor{clock};
    WorkerPool worker(1, "scrobble");
    auto client = std::make_shared<APIClient>(ServerConfiguration(server.baseUrl(), "alice", true), "sesame",
                                              mainActor);
    ListeningEventReporter reporter{mainActor, worker};
    reporter.setApi(client);
    reporter.setEnabled(true);

    // Runs the main actor until every request the reporter started has ended.
    auto settle = [&] { ASSERT_TRUE(mainActor.runUntil([&] { return reporter.pendingCount() == 0; })); };

    Song song = Song::make("so-1", "Title");
    song.duration = 40;
    const QueueEntry entry(song);
    reporter.progressed(entry, 1, true); // the report right after switching on does not count
    reporter.began(entry, false);
    settle();
    EXPECT_EQ(scrobblesReceived(server), (std::vector<Call>{{"so-1", "false"}}));

    for (int second = 1; second < 20; ++second)
        reporter.progressed(entry, 1, true);
    settle();
    EXPECT_EQ(scrobblesReceived(server).size(), 1u) << "nothing submitted before half the song";

    server.injectFault(FakeFault::status(500), 1, "scrobble");
    reporter.progressed(entry, 1, true);
    settle();
    EXPECT_FALSE(reporter.submitted(entry.id)) << "the server refused the submission";

    reporter.progressed(entry, 1, true);
    settle();
    EXPECT_TRUE(reporter.submitted(entry.id));
    for (int second = 0; second < 5; ++second)
        reporter.progressed(entry, 1, true);
    settle();

    EXPECT_EQ(scrobblesReceived(server),
              (std::vector<Call>{{"so-1", "false"}, {"so-1", "true"}, {"so-1", "true"}}));
    server.withLibrary([](const test::FakeLibrary& library) {
        ASSERT_EQ(library.scrobbles.size(), 2u) << "the refused request was not recorded";
        EXPECT_FALSE(library.scrobbles[0].submission);
        EXPECT_TRUE(library.scrobbles[1].submission);
        EXPECT_EQ(library.scrobbles[1].id, "so-1");
    });
}

} // namespace
} // namespace sorvalind
