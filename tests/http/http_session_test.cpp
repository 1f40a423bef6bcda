// HttpSession against the loopback fake server: real HTTP on 127.0.0.1.
#include "http/http_session.h"
#include "loopback/fake_subsonic_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

namespace sorvalind {
namespace {

using loopback::FakeFault;
using loopback::FakeRequest;
using loopback::FakeSubsonicServer;

class HttpSessionTest : public ::testing::Test {
protected:
    HttpRequest request(const std::string& path) { return HttpRequest(Url::parse(server.baseUrl() + path)); }

    HttpRequest restRequest(const std::string& method, std::vector<QueryItem> extra = {}) {
        HttpRequest r = request("/rest/" + method + ".view");
        std::vector<QueryItem> items = server.authItems();
        items.insert(items.end(), extra.begin(), extra.end());
        r.setFormBody(items);
        return r;
    }

    int failureCode(const HttpRequest& r, std::stop_token stop = {}) {
        try {
            session.perform(r, stop);
        } catch (const URLError& error) {
            return error.code();
        }
        return 0;
    }

    loopback::FakeSubsonicServer server;
    HttpSession session;
};

TEST_F(HttpSessionTest, GetReturnsStatusHeadersAndBodyAndSendsNoCacheHeaders) {
    server.setRoute("/echo", [](const loopback::FakeRequest& req, httplib::Response& res) {
        res.set_header("X-Seen-Cache-Control", req.header("Cache-Control").value_or("none"));
        res.set_header("X-Seen-Pragma", req.header("Pragma").value_or("none"));
        res.set_header("X-Seen-Expect", req.header("Expect").value_or("none"));
        res.set_content("hello " + req.httpMethod, "text/plain");
    });
    HttpResponse response = session.perform(request("/echo"));
    EXPECT_EQ(response.status(), 200);
    EXPECT_EQ(response.body, "hello GET");
    EXPECT_EQ(response.header("x-seen-cache-control"), "no-store");
    EXPECT_EQ(response.header("X-Seen-Pragma"), "no-cache");
    EXPECT_EQ(response.header("X-Seen-Expect"), "none");
}

TEST_F(HttpSessionTest, FormBodySurvivesReservedAndNonAsciiCharacters) {
    std::vector<QueryItem> items = {{"plus", "a+b"},
                                    {"amp", "x&y=z"},
                                    {"space", "two words"},
                                    {"unicode", "Zoë – 東京"},
                                    {"empty", ""},
                                    {"flag", std::nullopt},
                                    {"id", "1"},
                                    {"id", "2"},
                                    {"percent", "100%"}};
    HttpRequest r = request("/form");
    r.setFormBody(items);
    server.setRoute("/form", [](const loopback::FakeRequest&, httplib::Response& res) {
        res.set_content("ok", "text/plain");
    });
    EXPECT_EQ(session.perform(r).status(), 200);

    std::vector<loopback::FakeRequest> log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].httpMethod, "POST");
    EXPECT_EQ(log[0].header("Content-Type"), "application/x-www-form-urlencoded; charset=utf-8");
    EXPECT_EQ(log[0].params, items);
    EXPECT_EQ(log[0].body.find('+'), std::string::npos) << "a plus would decode as a space";
}

TEST_F(HttpSessionTest, AuthenticatedRestCallsReachTheFakeServer) {
    HttpResponse ok = session.perform(restRequest("ping"));
    EXPECT_EQ(ok.status(), 200);
    auto body = nlohmann::json::parse(ok.body)["subsonic-response"];
    EXPECT_EQ(body["status"], "ok");
    EXPECT_EQ(body["version"], "1.16.1");
    EXPECT_EQ(body["openSubsonic"], true);

    HttpRequest wrong = request("/rest/ping.view");
    wrong.setFormBody(
        {{"u", "alice"}, {"t", "0123"}, {"s", "abcd"}, {"v", "1.16.1"}, {"c", "tests"}, {"f", "json"}});
    auto refused = nlohmann::json::parse(session.perform(wrong).body)["subsonic-response"];
    EXPECT_EQ(refused["status"], "failed");
    EXPECT_EQ(refused["error"]["code"], 40);

    EXPECT_EQ(session.perform(restRequest("noSuchMethod")).status(), 501);
}

TEST_F(HttpSessionTest, RedirectIsReturnedAndNotFollowed) {
    server.injectFault(loopback::FakeFault::redirectTo(server.baseUrl() + "/rest/elsewhere.view"));
    HttpResponse response = session.perform(restRequest("ping"));
    EXPECT_EQ(response.status(), 302);
    EXPECT_EQ(response.header("Location"), server.baseUrl() + "/rest/elsewhere.view");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpSessionTest, BodyOverTheCapFailsWithItsOwnError) {
    const std::string big(10000, 'x');
    server.setRoute("/big", [&](const loopback::FakeRequest&, httplib::Response& res) {
        res.set_content(big, "text/plain");
    });
    server.setRoute("/big-chunked", [&](const loopback::FakeRequest&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
            if (offset < big.size())
                sink.write(big.data() + offset, std::min<std::size_t>(1000, big.size() - offset));
            else
                sink.done();
            return true;
        });
    });
    for (const char* path : {"/big", "/big-chunked"}) {
        HttpRequest r = request(path);
        r.maxBodyBytes = 9999;
        EXPECT_THROW(session.perform(r), ResponseTooLargeError) << path;
        EXPECT_EQ(failureCode(r), URLError::dataLengthExceedsMaximum) << path;
        r.maxBodyBytes = 10000;
        EXPECT_EQ(session.perform(r).body, big) << path;
    }
}

TEST_F(HttpSessionTest, StalledBodyEndsWithTimedOutAlsoOnAReusedConnection) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        server.injectFault(loopback::FakeFault::stalled());
        HttpRequest r = restRequest("ping");
        r.idleTimeout = std::chrono::seconds(1);
        EXPECT_EQ(failureCode(r), URLError::timedOut);
        EXPECT_EQ(session.perform(restRequest("ping")).status(), 200);
    }
}

TEST_F(HttpSessionTest, TruncatedBodyIsALostConnection) {
    server.injectFault(loopback::FakeFault::truncated());
    EXPECT_EQ(failureCode(restRequest("ping")), URLError::networkConnectionLost);
}

// Records the first chunk so a test can act while the body is still arriving.
class FirstChunkHandler : public HttpStreamHandler {
public:
    Flow onData(std::string_view chunk) override {
        if (body.empty()) firstChunk.set_value();
        body.append(chunk);
        return Flow::proceed;
    }
    std::promise<void> firstChunk;
    std::string body;
};

// Streams `request` on another thread; the future gives the URLError code
// the transfer ended with, or 0.
std::future<int> streamInBackground(HttpSession& session, const HttpRequest& request,
                                    HttpStreamHandler& handler, std::stop_token stop = {}) {
    return std::async(std::launch::async, [&session, &request, &handler, stop] {
        try {
            session.stream(request, handler, stop);
        } catch (const URLError& error) {
            return error.code();
        }
        return 0;
    });
}

TEST_F(HttpSessionTest, StopRequestCancelsAStalledTransferAtOnce) {
    server.injectFault(loopback::FakeFault::stalled());
    HttpRequest r = restRequest("ping");
    // Far longer than any test run: only the stop request can end the transfer.
    r.idleTimeout = std::chrono::seconds(600);
    std::stop_source stop;
    FirstChunkHandler handler;
    std::future<void> arrived = handler.firstChunk.get_future();
    auto result = streamInBackground(session, r, handler, stop.get_token());
    arrived.wait();
    stop.request_stop();
    EXPECT_EQ(result.get(), URLError::cancelled);
}

TEST_F(HttpSessionTest, AlreadyStoppedRequestIsNeverSent) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(failureCode(restRequest("ping"), stop.get_token()), URLError::cancelled);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpSessionTest, InvalidatedSessionRefusesAndCancelAllEndsTransfersInFlight) {
    server.injectFault(loopback::FakeFault::stalled());
    HttpRequest r = restRequest("ping");
    r.idleTimeout = std::chrono::seconds(600);
    FirstChunkHandler handler;
    std::future<void> arrived = handler.firstChunk.get_future();
    auto result = streamInBackground(session, r, handler);
    arrived.wait();
    session.cancelAll();
    EXPECT_EQ(result.get(), URLError::cancelled);
    EXPECT_EQ(session.perform(restRequest("ping")).status(), 200) << "later transfers still run";

    session.invalidate();
    server.clearRequests();
    EXPECT_EQ(failureCode(restRequest("ping")), URLError::cancelled);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(HttpSessionTest, PausedTransferResumesAndPausedTimeIsNotIdleTime) {
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    server.setRoute("/bytes", [&](const loopback::FakeRequest& req, httplib::Response& res) {
        loopback::serveBytes(req, res, bytes, "application/octet-stream");
    });

    class PausingHandler : public HttpStreamHandler {
    public:
        Flow onData(std::string_view chunk) override {
            if (!pausedOnce) {
                pausedOnce = true;
                // Longer than the idle timeout: a paused receiver is not an idle server.
                resumer = std::thread([this] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
                    resume();
                });
                return Flow::pause;
            }
            body.append(chunk);
            return Flow::proceed;
        }
        bool pausedOnce = false;
        std::thread resumer;
        std::string body;
    } handler;

    HttpRequest r = request("/bytes");
    // Long enough for a slow machine to answer at all, short enough that the
    // pause outlasts it.
    r.idleTimeout = std::chrono::seconds(2);
    r.decodeContent = false;
    HttpResponseHead head = session.stream(r, handler);
    handler.resumer.join();
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.expectedContentLength, static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(handler.body, bytes);
}

// The session hands the libcurl handle of a finished transfer to the next
// one: nothing of one request (method, body, headers, content decoding, a
// pause) may reach the requests after it, in any order.
TEST_F(HttpSessionTest, NothingOfOneRequestCarriesIntoTheNext) {
    const std::string bytes(200000, 'b');
    server.setRoute("/seen", [&](const loopback::FakeRequest& req, httplib::Response& res) {
        loopback::serveBytes(req, res, bytes, "application/octet-stream");
    });
    struct Sent {
        const char* name;
        HttpMethod method;
        HttpHeaders headers;
        bool decodeContent;
        bool pauseOnce;
        std::size_t bodyBytes;
    };
    const std::vector<Sent> sequence = {
        {"post with extras",
         HttpMethod::post,
         {{"Range", "bytes=0-3"}, {"X-Only-Here", "1"}},
         true,
         false,
         4},
        {"plain get", HttpMethod::get, {}, false, false, bytes.size()},
        {"paused get", HttpMethod::get, {{"Range", "bytes=10-19"}}, false, true, 10},
        {"plain get after a pause", HttpMethod::get, {}, false, false, bytes.size()},
        {"plain post", HttpMethod::post, {}, false, false, bytes.size()},
        {"get after a post", HttpMethod::get, {}, true, false, bytes.size()},
    };

    class Handler : public HttpStreamHandler {
    public:
        explicit Handler(bool pauseOnce) : pauseOnce_(pauseOnce) {}
        ~Handler() override {
            if (resumer_.joinable()) resumer_.join();
        }
        Flow onData(std::string_view chunk) override {
            if (pauseOnce_) {
                pauseOnce_ = false;
                resumer_ = std::thread([this] { resume(); });
                return Flow::pause;
            }
            body.append(chunk);
            return Flow::proceed;
        }
        std::string body;

    private:
        bool pauseOnce_;
        std::thread resumer_;
    };

    for (int round = 0; round < 2; ++round)
        for (const Sent& sent : sequence) {
            SCOPED_TRACE(sent.name);
            server.clearRequests();
            HttpRequest r = request("/seen");
            if (sent.method == HttpMethod::post) r.setFormBody({{"only", sent.name}});
            for (const auto& [name, value] : sent.headers)
                setHeader(r.headers, name, value);
            r.decodeContent = sent.decodeContent;
            Handler handler(sent.pauseOnce);
            HttpResponseHead head = session.stream(r, handler);
            EXPECT_EQ(head.status, headerValue(sent.headers, "Range") ? 206 : 200);
            EXPECT_EQ(handler.body.size(), sent.bodyBytes);

            std::vector<loopback::FakeRequest> log = server.requests();
            ASSERT_EQ(log.size(), 1u);
            const loopback::FakeRequest& seen = log[0];
            const bool post = sent.method == HttpMethod::post;
            EXPECT_EQ(seen.httpMethod, post ? "POST" : "GET");
            EXPECT_EQ(seen.body, post ? r.body : "");
            EXPECT_EQ(seen.header("Content-Type").has_value(), post);
            EXPECT_EQ(seen.header("Range"), headerValue(sent.headers, "Range"));
            EXPECT_EQ(seen.header("X-Only-Here"), headerValue(sent.headers, "X-Only-Here"));
            EXPECT_EQ(seen.header("Accept-Encoding").has_value(), sent.decodeContent);
            EXPECT_EQ(seen.header("Cache-Control"), "no-store");
        }
}

// A transfer cancelled while paused leaves nothing paused or half-read for
// the transfers after it.
TEST_F(HttpSessionTest, ATransferCancelledWhilePausedDoesNotHoldUpTheNext) {
    const std::string bytes(300000, 'p');
    server.setRoute("/bytes", [&](const loopback::FakeRequest& req, httplib::Response& res) {
        loopback::serveBytes(req, res, bytes, "application/octet-stream");
    });
    HttpRequest r = request("/bytes");
    r.decodeContent = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        class PauseForGood : public HttpStreamHandler {
        public:
            Flow onData(std::string_view) override {
                if (!paused.exchange(true)) pausedAt.set_value();
                return Flow::pause;
            }
            std::atomic<bool> paused{false};
            std::promise<void> pausedAt;
        } pausing;
        std::stop_source stop;
        std::future<void> pausedAt = pausing.pausedAt.get_future();
        auto result = streamInBackground(session, r, pausing, stop.get_token());
        pausedAt.wait();
        stop.request_stop();
        EXPECT_EQ(result.get(), URLError::cancelled);
        EXPECT_EQ(session.perform(r).body, bytes);
    }
}

TEST_F(HttpSessionTest, HandlerExceptionEndsTheTransferAndIsRethrown) {
    struct Refusal : std::runtime_error {
        Refusal() : std::runtime_error("refused") {}
    };
    class RefusingHandler : public HttpStreamHandler {
    public:
        void onResponse(const HttpResponseHead& head) override {
            if (head.status != 206) throw Refusal();
        }
        Flow onData(std::string_view) override { return Flow::proceed; }
    } handler;
    EXPECT_THROW(session.stream(restRequest("ping"), handler), Refusal);
}

TEST_F(HttpSessionTest, ConcurrentTransfersShareTheSession) {
    std::vector<std::future<std::string>> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(std::async(std::launch::async, [&, i] {
            return nlohmann::json::parse(
                       session.perform(restRequest("getSong", {{"id", "so-" + std::to_string(i + 1)}}))
                           .body)["subsonic-response"]["song"]["id"]
                .get<std::string>();
        }));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(results[static_cast<std::size_t>(i)].get(), "so-" + std::to_string(i + 1));
}

// A libcurl group that fails (it cannot run or wait for its transfers) ends
// every transfer in it with URLError(unknown) at once, instead of leaving a
// stalled one to hang; the next transfer tries the group again.
TEST_F(HttpSessionTest, AFailingGroupEndsItsTransfersAndTheNextOneTriesAgain) {
    using Step = HttpSession::GroupStep;
    for (Step failing : {Step::perform, Step::poll}) {
        SCOPED_TRACE(failing == Step::perform ? "perform" : "poll");
        std::atomic<bool> failOnce{false};
        HttpSession broken([&](Step step) { return step == failing && failOnce.exchange(false); });

        server.injectFault(loopback::FakeFault::stalled());
        HttpRequest r = restRequest("ping");
        // Far longer than any test run: only the failing group can end it.
        r.idleTimeout = std::chrono::seconds(600);
        FirstChunkHandler handler;
        std::future<void> arrived = handler.firstChunk.get_future();
        auto result = streamInBackground(broken, r, handler);
        arrived.wait();
        failOnce.store(true);
        EXPECT_EQ(result.get(), URLError::unknown);
        EXPECT_EQ(broken.perform(restRequest("ping")).status(), 200);
    }
}

// A group that keeps failing fails each transfer once and then waits for the
// next one, rather than spinning on a step that fails at once.
TEST_F(HttpSessionTest, ABrokenGroupFailsEachTransferWithoutSpinning) {
    std::atomic<int> tries{0};
    HttpSession broken([&](HttpSession::GroupStep) {
        ++tries;
        return true;
    });
    std::vector<int> triesAfter;
    for (int i = 0; i < 3; ++i) {
        int code = 0;
        try {
            broken.perform(restRequest("ping"));
        } catch (const URLError& error) {
            code = error.code();
        }
        EXPECT_EQ(code, URLError::unknown);
        triesAfter.push_back(tries.load());
    }
    // One try of the group per transfer, none in between.
    EXPECT_EQ(triesAfter[1] - triesAfter[0], 1);
    EXPECT_EQ(triesAfter[2] - triesAfter[1], 1);
}

TEST_F(HttpSessionTest, ConnectionFailuresMapToUrlErrorCodes) {
    // A bound socket that never listens refuses connections on its port.
    int socketHandle = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(socketHandle, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::string refused = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/rest/ping.view";
    EXPECT_EQ(failureCode(HttpRequest(Url::parse(refused))), URLError::cannotConnectToHost);
    ::close(socketHandle);

    // A reserved name that never resolves; some resolvers report a failed lookup instead.
    int unknown = failureCode(HttpRequest(Url::parse("http://nonexistent.invalid/rest/ping.view")));
    EXPECT_TRUE(unknown == URLError::cannotFindHost || unknown == URLError::dnsLookupFailed) << unknown;

    EXPECT_EQ(failureCode(HttpRequest(Url::parse("ftp://127.0.0.1/file"))), URLError::unsupportedURL);
}

} // namespace
} // namespace sorvalind
