// resume() from another thread while transfers end: a late call must find
// nothing to resume, never a transfer (or its transport) that is gone. Run
// under ASan and TSan, these catch a resumer that outlives its transfer.
#include "http/http_session.h"
#include "loopback/fake_subsonic_server.h"
#include "support/scripted_http_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using loopback::FakeRequest;
using loopback::FakeSubsonicServer;

// Pauses at the first bytes of each transfer and keeps the rest. Its fields
// belong to the transport's thread while a transfer runs.
class PauseOnceHandler : public HttpStreamHandler {
public:
    Flow onData(std::string_view chunk) override {
        if (!paused) {
            paused = true;
            return Flow::pause;
        }
        body.append(chunk);
        return Flow::proceed;
    }
    void reset() {
        paused = false;
        body.clear();
    }
    bool paused = false;
    std::string body;
};

// Calls resume() over and over from its own thread until destroyed, so that
// calls land before, during and after the end of each transfer.
class ResumeHammer {
public:
    explicit ResumeHammer(HttpStreamHandler& handler)
        : thread_([this, &handler] {
              while (!done_.load()) {
                  handler.resume();
                  std::this_thread::yield();
              }
          }) {}
    ~ResumeHammer() {
        done_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

TEST(HttpStreamResume, RemovingTheResumerWaitsForACallUnderWay) {
    PauseOnceHandler handler;
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> unbound{false};
    bool unboundDuringCall = true;
    handler.bindResume([&] {
        entered.set_value();
        released.wait();
        unboundDuringCall = unbound.load();
    });
    std::thread caller([&] { handler.resume(); });
    entered.get_future().wait();
    std::thread unbinder([&] {
        handler.bindResume({});
        unbound.store(true);
    });
    // Give a wrong unbinder every chance to slip past the call in progress;
    // a right one waits however long this takes.
    std::this_thread::sleep_for(50ms);
    release.set_value();
    caller.join();
    unbinder.join();
    EXPECT_FALSE(unboundDuringCall);
    handler.resume(); // nothing bound: does nothing
}

TEST(HttpStreamResume, LateResumesOfTheScriptedTransportTouchNothingThatIsGone) {
    test::ScriptedHttpTransport transport;
    const std::string body(1000, 'x');
    constexpr int transfers = 200;
    for (int i = 0; i < transfers; ++i)
        transport.answer(200, body);
    PauseOnceHandler handler;
    {
        ResumeHammer hammer(handler);
        for (int i = 0; i < transfers; ++i) {
            handler.reset();
            transport.stream(HttpRequest(Url::parse("http://127.0.0.1/x")), handler);
            ASSERT_TRUE(handler.paused);
            ASSERT_EQ(handler.body, body) << i;
        }
    }
    handler.resume();
}

TEST(HttpStreamResume, LateResumesOfAnEndedSessionTouchNothingThatIsGone) {
    loopback::FakeSubsonicServer server;
    const std::string bytes(100000, 'b');
    server.setRoute("/bytes", [&](const loopback::FakeRequest& request, httplib::Response& res) {
        loopback::serveBytes(request, res, bytes, "application/octet-stream");
    });
    PauseOnceHandler handler;
    ResumeHammer hammer(handler);
    // Each session ends right after its transfer, while resume() keeps
    // coming: a call that still reached the session would touch freed memory.
    for (int i = 0; i < 20; ++i) {
        auto session = std::make_unique<HttpSession>();
        handler.reset();
        HttpRequest request(Url::parse(server.baseUrl() + "/bytes"));
        request.decodeContent = false;
        HttpResponseHead head = session->stream(request, handler);
        EXPECT_EQ(head.status, 200);
        ASSERT_EQ(handler.body, bytes) << i;
        session.reset();
    }
}

} // namespace
} // namespace sorvalind
