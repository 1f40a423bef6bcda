// Shutdown with requests in flight on a worker pool: stalled answers from the
// loopback server and requests waiting between retries. Shutdown runs on the
// main actor in the documented order and must come back without waiting for
// the main actor it runs on; if it waited, this test would hang (ctest's
// timeout catches that, no timing is asserted here).

#include "errors/url_error.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "runtime/async_call.h"
#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"
#include "server/server_configuration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace sorvalind {
namespace {

using loopback::FakeFault;
using loopback::FakeSubsonicServer;

std::string describe(const Outcome<std::string>& outcome) {
    if (outcome.hasValue()) return "answered";
    if (isCancellation(outcome.error())) return "cancelled";
    try {
        std::rethrow_exception(outcome.error());
    } catch (const URLError& error) {
        return "URLError " + std::to_string(error.code());
    } catch (const std::exception& error) {
        return error.what();
    }
}

int closedPort() {
    loopback::FakeSubsonicServer server;
    return server.port();
}

// What an application model owns for these requests, built and shut down on
// its main actor.
struct Owner {
    Executor& mainActor;
    std::unique_ptr<WorkerPool> pool = std::make_unique<WorkerPool>(4, "requests");
    std::shared_ptr<APIClient> live;
    std::shared_ptr<APIClient> unreachable;
    std::stop_source tasks;
    std::atomic<int> connectionFailures = 0;
    std::map<std::string, std::string> ended; // main actor only

    Owner(Executor& main, const loopback::FakeSubsonicServer& server)
        : mainActor(main),
          live(std::make_shared<APIClient>(ServerConfiguration(server.baseUrl(), "alice", true), "sesame",
                                           main, NetworkSecurity::session())),
          unreachable(std::make_shared<APIClient>(
              ServerConfiguration("http://127.0.0.1:" + std::to_string(closedPort()), "alice", true),
              "sesame", main, NetworkSecurity::session())) {
        for (APIClient* client : {live.get(), unreachable.get()}) {
            client->setOnConnectionFailure([this] { ++connectionFailures; });
            client->setOnValidResponse([] {});
        }
    }

    // Main actor. With `withStop` the owner's stop token goes with the request.
    void send(const std::string& name, std::shared_ptr<APIClient> client, std::string method, bool withStop) {
        std::stop_token stop = withStop ? tasks.get_token() : std::stop_token();
        runOn(
            *pool, mainActor,
            [client = std::move(client), method = std::move(method), stop] {
                return client->request(method, {}, stop).body();
            },
            [this, name](Outcome<std::string> outcome) { ended[name] = describe(outcome); });
    }

    void start() {
        send("stalled, stoppable", live, "search3", true);
        send("stalled, no stop token", live, "getSong", false);
        send("retrying, stoppable", unreachable, "ping", true);
        send("retrying, no stop token", unreachable, "getPlaylists", false);
    }

    // Main actor: the order written down in runtime/runtime.h.
    void shutdown() {
        tasks.request_stop();
        for (APIClient* client : {live.get(), unreachable.get()})
            client->setNetworkAccessEnabled(false);
        for (APIClient* client : {live.get(), unreachable.get()})
            client->session()->invalidate();
        pool->shutdown();
        // No store here; it would close now. The model drops its clients,
        // removing their callbacks first.
        for (APIClient* client : {live.get(), unreachable.get()}) {
            client->setOnConnectionFailure(nullptr);
            client->setOnValidResponse(nullptr);
        }
        live.reset();
        unreachable.reset();
    }

    static std::map<std::string, std::string> expected() {
        return {{"stalled, stoppable", "cancelled"},
                {"stalled, no stop token", "URLError " + std::to_string(URLError::cancelled)},
                {"retrying, stoppable", "cancelled"},
                {"retrying, no stop token", "URLError " + std::to_string(URLError::notConnectedToInternet)}};
    }
};

void stallRequests(loopback::FakeSubsonicServer& server) {
    server.injectFault(loopback::FakeFault::stalled(), 1, "search3");
    server.injectFault(loopback::FakeFault::stalled(), 1, "getSong");
}

bool stalledRequestsArrived(const loopback::FakeSubsonicServer& server) {
    return server.requestCount("search3") == 1 && server.requestCount("getSong") == 1;
}

TEST(ShutdownTest, RequestsInFlightOnAPoolDoNotHoldUpShutdownOnTheMainActor) {
    loopback::FakeSubsonicServer server;
    stallRequests(server);
    VirtualClock clock;
    ManualExecutor main(clock); // this thread is the main actor
    Owner owner(main, server);
    owner.start();
    // Both unreachable requests wait out their first retry delay on the
    // main actor's clock, which stands still.
    ASSERT_TRUE(main.runUntil([&] { return stalledRequestsArrived(server) && clock.pendingTimers() == 2; }));

    owner.shutdown();
    main.runUntilIdle(); // what the pool's work posted before it drained
    EXPECT_EQ(owner.ended, Owner::expected());
}

TEST(ShutdownTest, AThreadedMainActorShutsDownWithRequestsInFlight) {
    loopback::FakeSubsonicServer server;
    stallRequests(server);
    SerialQueue main("main-actor");
    std::unique_ptr<Owner> owner;
    callSync(main, [&] {
        owner = std::make_unique<Owner>(main, server);
        owner->start();
    });
    // The retry waits run on real time here; each failure before one is reported.
    while (!(stalledRequestsArrived(server) && owner->connectionFailures.load() >= 2))
        std::this_thread::yield();

    std::promise<void> shutDown;
    main.post([&] {
        owner->shutdown();
        shutDown.set_value();
    });
    shutDown.get_future().get();
    main.shutdown(); // runs the completions the pool posted, then stops
    // On real time the request without a stop token may be between attempts
    // (it then fails as offline) or connecting again (the switch cancels it).
    // On a machine slow enough, a retrying request may even have used up its
    // attempts before the shutdown began; the virtual-clock test above pins
    // what shutdown does to a retry wait, this one that nothing hangs.
    std::map<std::string, std::string> expected = Owner::expected();
    const std::string cancelled = "URLError " + std::to_string(URLError::cancelled);
    const std::string exhausted = "URLError " + std::to_string(URLError::cannotConnectToHost);
    for (const char* name : {"retrying, stoppable", "retrying, no stop token"}) {
        const std::string& ended = owner->ended[name];
        if (ended == exhausted || (ended == cancelled && std::string(name) == "retrying, no stop token"))
            expected[name] = ended;
    }
    EXPECT_EQ(owner->ended, expected);
}

} // namespace
} // namespace sorvalind
