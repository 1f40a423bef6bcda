#include "server/api_client.h"

#include "errors/api_error.h"
#include "errors/url_error.h"
#include "http/network_security.h"
#include "library/json_coding.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/crypto/digest.h"
#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/timer_wait.h"
#include "runtime/virtual_clock.h"
#include "support/drive_until.h"
#include "support/scripted_http_transport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <source_location>
#include <sstream>
#include <thread>
#include <variant>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using loopback::FakeFault;
using loopback::FakeSubsonicServer;

using ScriptedTransport = test::ScriptedHttpTransport;

int attempts(const ScriptedTransport& transport) {
    return static_cast<int>(transport.requests().size());
}

const std::string okBody = R"({"subsonic-response":{"status":"ok","version":"1.16.1"}})";

struct ClientTest : ::testing::Test {
    VirtualClock clock;
    ManualExecutor main{clock};
    int validResponses = 0;
    int connectionFailures = 0;

    std::unique_ptr<APIClient> makeClient(const std::string& url, std::shared_ptr<HttpTransport> transport,
                                          std::string password = "sesame", bool consent = true) {
        auto client = std::make_unique<APIClient>(ServerConfiguration(url, "alice", consent),
                                                  std::move(password), main, std::move(transport));
        // Both callbacks must run on the main actor, whichever thread sends.
        client->setOnValidResponse([this] {
            EXPECT_TRUE(main.isCurrent());
            ++validResponses;
        });
        client->setOnConnectionFailure([this] {
            EXPECT_TRUE(main.isCurrent());
            ++connectionFailures;
        });
        return client;
    }

    // Drives the main actor while a worker runs, until `done` holds; a hang
    // ends the test program at once.
    void driveUntil(const std::function<bool()>& done, std::chrono::milliseconds bound = 10s,
                    std::source_location where = std::source_location::current()) {
        test::driveUntil(main, done, bound, where);
    }

    template <class T> T finish(std::future<T>& result) {
        driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
        return result.get();
    }
};

template <class F> auto onWorker(F f) {
    return std::async(std::launch::async, std::move(f));
}

// A condition that never holds ends the test at once, with its reason,
// instead of leaving the test to ctest's timeout.
TEST_F(ClientTest, DriveUntilEndsAHungTestAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(driveUntil([] { return false; }, 1ms), "did not hold within 1 ms");
}

// --- Building requests ------------------------------------------------------

TEST_F(ClientTest, RefusedRequestsAreNeverBuilt) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("http://192.168.1.4:4533/music", transport);
    auto caseOf = [&](std::string_view method,
                      APIClient::Parameters parameters) -> std::optional<APIError::Case> {
        try {
            client->authenticatedRequest(method, parameters);
            return std::nullopt;
        } catch (const APIError& error) {
            return error.kind();
        }
    };
    using C = APIError::Case;
    EXPECT_EQ(caseOf("getSong", {{"id", "1"}}), std::nullopt);
    EXPECT_EQ(caseOf("getSong", {{"access_token", "1"}}), std::nullopt);
    EXPECT_EQ(caseOf("", {}), C::unsafeRequest);
    EXPECT_EQ(caseOf("get-song", {}), C::unsafeRequest);
    EXPECT_EQ(caseOf("get song", {}), C::unsafeRequest);
    EXPECT_EQ(caseOf("getSong/../x", {}), C::unsafeRequest);
    EXPECT_EQ(caseOf("getS\xC3\xB6ng", {}), std::nullopt);
    for (const char* name : {"Token", "U", "p", "t", "s", "APIKEY", "password", "Authorization"})
        EXPECT_EQ(caseOf("getSong", {{name, "x"}}), C::unsafeRequest) << name;

    client->setNetworkAccessEnabled(false);
    try {
        client->authenticatedRequest("ping", {});
        FAIL();
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::notConnectedToInternet);
    }
    EXPECT_EQ(attempts(*transport), 0);
}

TEST_F(ClientTest, PolicyRefusalsComeBeforeAnyNetworkActivity) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto blocked = std::make_unique<APIClient>(
        ServerConfiguration::decode(nlohmann::json{{"url", "http://8.8.8.8"}, {"username", "alice"}}), "pw",
        main, transport);
    auto unconsented = std::make_unique<APIClient>(
        ServerConfiguration::decode(nlohmann::json{{"url", "http://10.0.0.8"}, {"username", "alice"}}), "pw",
        main, transport);
    try {
        blocked->request("ping", {});
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error.kind(), APIError::Case::localHTTPRequired);
    }
    try {
        unconsented->streamRequest("so-1", DownloadQuality::original);
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error.kind(), APIError::Case::httpConsentRequired);
    }
    EXPECT_EQ(attempts(*transport), 0);
}

TEST_F(ClientTest, DescriptionNeverShowsTheCredentials) {
    auto client = makeClient("https://h.example", std::make_shared<ScriptedTransport>(), "hunter2");
    std::ostringstream out;
    out << *client;
    EXPECT_EQ(out.str(), "APIClient(authentication: redacted)");
    EXPECT_EQ(client->description(), "APIClient(authentication: redacted)");
    HttpRequest request = client->authenticatedRequest("ping", {});
    std::string shown = request.redactedDescription();
    EXPECT_EQ(shown.find("hunter2"), std::string::npos);
    EXPECT_EQ(request.url.absoluteString(), "https://h.example/rest/ping.view");
    EXPECT_FALSE(request.url.query());
    // The token and salt travel in the body only, which no description shows.
    std::optional<std::string> token, salt;
    for (const auto& item : parseQueryItems(request.body)) {
        if (item.name == "t") token = item.value;
        if (item.name == "s") salt = item.value;
    }
    ASSERT_TRUE(token && salt);
    EXPECT_EQ(*token, md5Hex("hunter2" + *salt));
    for (const std::string& secret : {*token, *salt, std::string("hunter2")}) {
        EXPECT_EQ(shown.find(secret), std::string::npos);
        EXPECT_EQ(request.url.absoluteString().find(secret), std::string::npos);
        EXPECT_EQ(client->description().find(secret), std::string::npos);
    }
}

TEST_F(ClientTest, SendingFromTheMainActorFailsAtOnceInsteadOfHanging) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl(), NetworkSecurity::session());
    // This thread drives the main actor: a blocking send here could never see
    // its callbacks or retry timers run.
    ASSERT_TRUE(main.isCurrent());
    EXPECT_THROW(client->request("ping", {}), OwnExecutorWaitError);
    EXPECT_THROW(client->validate(), OwnExecutorWaitError);
    EXPECT_THROW(client->song("so-1"), OwnExecutorWaitError);
    EXPECT_TRUE(server.requests().empty());
    // Builders send nothing and serve any thread.
    EXPECT_NO_THROW(client->streamRequest("so-1", DownloadQuality::mp3_192));
    // The same wait from a worker runs normally.
    auto result = onWorker([&] { return client->request("ping", {}).body(); });
    finish(result);
    EXPECT_EQ(server.requestCount("ping"), 1u);
    EXPECT_EQ(validResponses, 1);
}

TEST_F(ClientTest, RequestsAreSaltedFormPostsBelowTheServerPath) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl() + "/", NetworkSecurity::session());
    auto done = onWorker([&] {
        client->request("ping", {{"query", "AC+DC & a=b"}});
        return client->request("ping", {}).body();
    });
    finish(done);

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const auto& first = requests[0];
    EXPECT_EQ(first.httpMethod, "POST");
    EXPECT_EQ(first.path, "/rest/ping.view");
    EXPECT_EQ(first.header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
    EXPECT_EQ(first.header("Cache-Control"), "no-store");
    std::vector<std::string> names;
    for (const auto& item : first.params)
        names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{"u", "t", "s", "v", "c", "f", "query"}));
    EXPECT_EQ(first.param("u"), "alice");
    EXPECT_EQ(first.param("v"), "1.16.1");
    EXPECT_EQ(first.param("c"), "Sorvalind");
    EXPECT_EQ(first.param("f"), "json");
    EXPECT_EQ(first.param("query"), "AC+DC & a=b");
    std::string salt = first.param("s").value_or("");
    EXPECT_EQ(salt.size(), 32u);
    EXPECT_EQ(salt.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(first.param("t"), md5Hex("sesame" + salt));
    EXPECT_NE(requests[1].param("s"), first.param("s"));
    EXPECT_EQ(first.body.find("sesame"), std::string::npos);
    EXPECT_EQ(validResponses, 2);
}

// --- Answers ----------------------------------------------------------------

TEST_F(ClientTest, HTTPStatusesAndServerErrorsBecomeTypedFailures) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl(), NetworkSecurity::session());
    struct Case {
        loopback::FakeFault fault;
        APIError expected;
    };
    const std::vector<Case> cases = {
        {loopback::FakeFault::status(404), APIError::http(404)},
        {loopback::FakeFault::status(500), APIError::http(500)},
        {loopback::FakeFault::status(405), APIError::formPostRequired()},
        {loopback::FakeFault::status(415), APIError::formPostRequired()},
        {loopback::FakeFault::status(501), APIError::formPostRequired()},
        {loopback::FakeFault::redirectTo("https://elsewhere.example/rest/ping.view"), APIError::http(302)},
        {loopback::FakeFault::subsonicError(40), APIError::server(40, "Request failed")},
        {loopback::FakeFault::subsonicError(70), APIError::server(70, "Request failed")},
    };
    for (const auto& c : cases) {
        server.injectFault(c.fault, 1, "getSong");
        auto result = onWorker([&] { return client->request("getSong", {{"id", "so-1"}}).body(); });
        driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
        try {
            result.get();
            ADD_FAILURE() << c.expected.what();
        } catch (const APIError& error) {
            EXPECT_EQ(error, c.expected) << error.what();
        }
    }
    EXPECT_EQ(server.requestCount("getSong"), cases.size()); // redirects were not followed
    EXPECT_EQ(validResponses, 0);
}

TEST_F(ClientTest, EnvelopeStatusRules) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    transport->answer(200, R"({"subsonic-response":{"status":"OK"}})");
    transport->answer(200, R"({"subsonic-response":{"status":"failed","error":{"code":41,"message":"x"}}})");
    transport->answer(200, R"({"subsonic-response":{"version":"1"}})");
    transport->answer(200, R"(not json)");
    auto outcome = [&]() -> std::string {
        auto result = onWorker([&] { return client->request("deletePlaylist", {{"id", "1"}}).body(); });
        finish(result);
        return "ok";
    };
    try {
        outcome();
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error, APIError::server(0, "Request failed"));
        EXPECT_STREQ(error.what(), "Navidrome could not complete the request (0).");
    }
    try {
        outcome();
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error.code(), 41);
    }
    EXPECT_THROW(outcome(), DecodingError);
    EXPECT_THROW(outcome(), DecodingError);
    EXPECT_EQ(validResponses, 0);
}

TEST_F(ClientTest, OversizedAnswersAreRefused) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    struct TooLarge final : HttpTransport {
        HttpResponseHead stream(const HttpRequest&, HttpStreamHandler&, std::stop_token) override {
            throw ResponseTooLargeError();
        }
        void cancelAll() noexcept override {}
        void invalidate() noexcept override {}
    };
    auto big = makeClient("https://h.example", std::make_shared<TooLarge>());
    auto result = onWorker([&] { return big->request("getPlaylist", {{"id", "1"}}).body(); });
    driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    try {
        result.get();
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error.kind(), APIError::Case::response);
    }
    EXPECT_EQ(client->authenticatedRequest("ping", {}).maxBodyBytes, 64u * 1024 * 1024);
}

TEST_F(ClientTest, CallbacksArePostedInOrderAndLookedUpWhenTheyRun) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    std::vector<std::string> calls;
    client->setOnValidResponse([&] { calls.push_back("valid"); });
    client->setOnConnectionFailure([&] { calls.push_back("failure"); });

    // The worker ends its request without the main actor running: nothing
    // waits for the callbacks.
    transport->answer(200, okBody);
    EXPECT_EQ(onWorker([&] { return client->request("scrobble", {{"id", "1"}}).body(); }).get(), okBody);
    transport->fail(URLError::timedOut);
    EXPECT_THROW(onWorker([&] { return client->request("scrobble", {{"id", "1"}}).body(); }).get(), URLError);
    EXPECT_TRUE(calls.empty());
    main.runUntilIdle();
    EXPECT_EQ(calls, (std::vector<std::string>{"valid", "failure"}));

    // A callback removed before its turn is skipped, and so is every callback
    // of a client that is gone by then.
    calls.clear();
    transport->answer(200, okBody);
    onWorker([&] { return client->request("scrobble", {{"id", "1"}}).body(); }).get();
    client->setOnValidResponse(nullptr);
    main.runUntilIdle();
    transport->fail(URLError::timedOut);
    EXPECT_THROW(onWorker([&] { return client->request("scrobble", {{"id", "1"}}).body(); }).get(), URLError);
    client.reset();
    main.runUntilIdle();
    EXPECT_TRUE(calls.empty());
}

// --- Retries, the switch and cancellation ----------------------------------

TEST_F(ClientTest, ReadMethodsRetryAfterHalfOneAndTwoSeconds) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    for (int i = 0; i < 3; ++i)
        transport->fail(URLError::timedOut);
    transport->answer(200, okBody);

    SteadyTime start = clock.now();
    auto result = onWorker([&] { return client->request("search3", {}).body(); });
    for (auto [expected, wait] : {std::pair{1, 500ms}, std::pair{2, 1000ms}, std::pair{3, 2000ms}}) {
        driveUntil([&] { return attempts(*transport) == expected && clock.pendingTimers() == 1; });
        EXPECT_EQ(connectionFailures, expected);
        clock.advance(wait - 1ms);
        EXPECT_EQ(attempts(*transport), expected);
        clock.advance(1ms);
    }
    EXPECT_EQ(finish(result), okBody);
    EXPECT_EQ(clock.now() - start, 3500ms);
    EXPECT_EQ(attempts(*transport), 4);
    EXPECT_EQ(connectionFailures, 3);
    EXPECT_EQ(validResponses, 1);
}

TEST_F(ClientTest, RetriesOverRealHttpWaitOnTheVirtualClock) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl(), NetworkSecurity::session());
    // A body cut short under its announced length is a lost connection.
    server.injectFault(loopback::FakeFault::truncated(), 3, "search3");

    SteadyTime start = clock.now();
    auto result = onWorker([&] { return client->request("search3", {{"query", ""}}).body(); });
    for (auto [expected, wait] : {std::pair{1, 500ms}, std::pair{2, 1000ms}, std::pair{3, 2000ms}}) {
        driveUntil([&] { return connectionFailures == expected && clock.pendingTimers() == 1; });
        clock.advance(wait - 1ms);
        EXPECT_EQ(server.requestCount("search3"), static_cast<std::size_t>(expected));
        clock.advance(1ms);
    }
    std::string body = finish(result);
    EXPECT_NE(body.find("searchResult3"), std::string::npos);
    EXPECT_EQ(clock.now() - start, 3500ms);
    EXPECT_EQ(server.requestCount("search3"), 4u);
    EXPECT_EQ(connectionFailures, 3);
    EXPECT_EQ(validResponses, 1);

    // A write meets the same failure once and gives up at once.
    server.injectFault(loopback::FakeFault::truncated(), 1, "scrobble");
    auto scrobble = onWorker([&] { return client->request("scrobble", {{"id", "so-1"}}).body(); });
    driveUntil([&] { return scrobble.wait_for(0s) == std::future_status::ready; });
    try {
        scrobble.get();
        FAIL();
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::networkConnectionLost);
    }
    EXPECT_EQ(server.requestCount("scrobble"), 1u);
    EXPECT_EQ(connectionFailures, 4);
    EXPECT_EQ(clock.pendingTimers(), 0u);
}

TEST_F(ClientTest, WritesAndPermanentFailuresGetOneAttempt) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    transport->fail(URLError::timedOut);
    transport->fail(URLError::secureConnectionFailed);
    auto scrobble = onWorker([&] { return client->request("scrobble", {{"id", "1"}}).body(); });
    driveUntil([&] { return scrobble.wait_for(0s) == std::future_status::ready; });
    EXPECT_THROW(scrobble.get(), URLError);
    EXPECT_EQ(connectionFailures, 1);

    auto tls = onWorker([&] { return client->request("getSong", {{"id", "1"}}).body(); });
    driveUntil([&] { return tls.wait_for(0s) == std::future_status::ready; });
    EXPECT_THROW(tls.get(), URLError);
    EXPECT_EQ(attempts(*transport), 2);
    EXPECT_EQ(connectionFailures, 1);
}

TEST_F(ClientTest, RealConnectionFailuresAreRetriedToo) {
    int closedPort = 0;
    {
        loopback::FakeSubsonicServer server;
        closedPort = server.port();
    }
    auto client = makeClient("http://127.0.0.1:" + std::to_string(closedPort), NetworkSecurity::session());
    auto result = onWorker([&] { return client->request("ping", {}).body(); });
    driveUntil([&] { return connectionFailures == 1 && clock.pendingTimers() == 1; });
    clock.advance(500ms);
    driveUntil([&] { return connectionFailures == 2 && clock.pendingTimers() == 1; });
    // Switched off while waiting: the wait ends at once, without the clock
    // moving, and the next attempt fails as offline.
    client->setNetworkAccessEnabled(false);
    driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    try {
        result.get();
        FAIL();
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::notConnectedToInternet);
    }
    EXPECT_EQ(connectionFailures, 2);
}

TEST_F(ClientTest, CancellingDuringAWaitEndsTheRequest) {
    auto transport = std::make_shared<ScriptedTransport>();
    auto client = makeClient("https://h.example", transport);
    transport->fail(URLError::networkConnectionLost);
    transport->answer(200, okBody);
    std::stop_source stop;
    auto result = onWorker([&] { return client->request("getPlaylists", {}, stop.get_token()).body(); });
    driveUntil([&] { return clock.pendingTimers() == 1; });
    stop.request_stop();
    driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    EXPECT_THROW(result.get(), CancellationError);
    clock.advance(10s);
    EXPECT_EQ(attempts(*transport), 1);
    EXPECT_EQ(validResponses, 0);
}

TEST_F(ClientTest, CancellingDuringARealTransferEndsTheRequest) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl(), NetworkSecurity::session());
    server.injectFault(loopback::FakeFault::stalled(), 1, "getSong");
    std::stop_source stop;
    auto result = onWorker([&] {
        return client->request("getSong", {{"id", "so-1"}}, stop.get_token()).body();
    });
    driveUntil([&] { return server.requestCount("getSong") == 1; });
    stop.request_stop();
    driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    EXPECT_THROW(result.get(), CancellationError);
    server.releaseStalled();
    EXPECT_EQ(server.requestCount("getSong"), 1u);
    EXPECT_EQ(clock.pendingTimers(), 0u);
    EXPECT_EQ(connectionFailures, 0);
    EXPECT_EQ(validResponses, 0);
}

TEST_F(ClientTest, SwitchingOffCancelsTransfersInFlight) {
    loopback::FakeSubsonicServer server;
    auto client = makeClient(server.baseUrl(), NetworkSecurity::session());
    server.injectFault(loopback::FakeFault::stalled(), 1, "getSong");
    auto result = onWorker([&] { return client->request("getSong", {{"id", "so-1"}}).body(); });
    driveUntil([&] { return server.requestCount("getSong") == 1; });
    client->setNetworkAccessEnabled(false);
    driveUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
    try {
        result.get();
        FAIL();
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::cancelled);
    }
    EXPECT_EQ(server.requestCount("getSong"), 1u);
    server.releaseStalled();
}

} // namespace
} // namespace sorvalind
