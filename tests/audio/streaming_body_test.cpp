// The transcoded stream's body against the loopback fake server: every byte
// once and in order however slowly it is read, back-pressure, the answers
// that are not a stream, the first failure winning, cancellation, and the
// MP3 stream decoder on top.
#include "audio_test_support.h"
#include "served_bytes.h"

#include "http/http_session.h"
#include "support/paths.h"

#include "audio/streaming_body.h"
#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "errors/url_error.h"
#include "runtime/thread_executor.h"

#include <future>

namespace sorvalind::testing {
namespace {

using loopback::FakeFault;
using loopback::FakeMedia;

class StreamingBodyTest : public ::testing::Test {
protected:
    StreamingBodyTest() { server.setMedia("noise", loopback::FakeMedia{{}, "audio/flac", {{320, noise}}}); }

    std::shared_ptr<StreamingBody> body(const std::string& id, std::vector<QueryItem> extra = {}) {
        std::vector<QueryItem> parameters = {{"id", id}, {"format", "mp3"}, {"maxBitRate", "320"}};
        parameters.insert(parameters.end(), extra.begin(), extra.end());
        return std::make_shared<StreamingBody>(mediaRequest(server, "stream", parameters), session,
                                               transfers);
    }

    static std::string drain(StreamingBody& body) {
        std::string all;
        while (auto chunk = body.next())
            all.append(reinterpret_cast<const char*>(chunk->data()), chunk->size());
        return all;
    }

    // Not audio: the body is only carried, never parsed here.
    const std::string noise = patternBytes(3 * 1024 * 1024 + 77);
    loopback::FakeSubsonicServer server;
    std::shared_ptr<HttpSession> session = std::make_shared<HttpSession>();
    WorkerPool transfers{2, "transfers"};
};

TEST_F(StreamingBodyTest, ASlowReaderPausesTheTransferAndLosesNoByte) {
    auto stream = body("noise");
    waitUntil([&] { return stream->pauses() == 1; });
    EXPECT_FALSE(stream->finished());
    std::string all = drain(*stream);
    EXPECT_EQ(all.size(), noise.size());
    EXPECT_TRUE(all == noise) << "bytes lost, repeated or out of order";
    EXPECT_GE(stream->pauses(), 1);
    EXPECT_EQ(server.requests().back().header("Cache-Control"), "no-store");
    EXPECT_EQ(server.requests().back().header("Pragma"), "no-cache");
}

TEST_F(StreamingBodyTest, AThrottledBodyArrivesWhole) {
    server.setMedia("small", loopback::FakeMedia{{}, "audio/flac", {{128, patternBytes(40000)}}});
    server.injectFault(loopback::FakeFault::throttle(100000), 1, "stream");
    auto stream = body("small");
    EXPECT_TRUE(drain(*stream) == patternBytes(40000));
}

TEST_F(StreamingBodyTest, OnlyA200AudioAnswerIsAStream) {
    struct Case {
        std::string name;
        std::function<void()> arrange;
    };
    auto typed = [this](std::string type) {
        return [this, type] {
            server.setRoute("/rest/stream.view",
                            [type](const loopback::FakeRequest&, httplib::Response& res) {
                                res.status = 200;
                                res.set_content("<a/>", type);
                            });
        };
    };
    const std::vector<Case> cases = {
        {"404", [this] { server.injectFault(loopback::FakeFault::status(404), 1, "stream"); }},
        {"JSON error envelope",
         [this] { server.injectFault(loopback::FakeFault::subsonicError(70), 1, "stream"); }},
        {"redirect",
         [this] { server.injectFault(loopback::FakeFault::redirectTo("http://127.0.0.1:1/"), 1, "stream"); }},
        {"XML", typed("text/xml")},
        {"JSON with a charset", typed("application/json; charset=utf-8")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        auto stream = body("noise");
        try {
            stream->next();
            ADD_FAILURE() << "accepted";
        } catch (const APIError& error) {
            EXPECT_EQ(error, APIError::response());
        }
        server.setRoute("/rest/stream.view", nullptr);
    }
    // A missing type is a stream.
    server.setRoute("/rest/stream.view", [](const loopback::FakeRequest&, httplib::Response& res) {
        res.status = 200;
        res.body = "abc";
    });
    EXPECT_EQ(drain(*body("noise")), "abc");
}

TEST_F(StreamingBodyTest, ALostConnectionWinsOverBufferedChunks) {
    server.injectFault(loopback::FakeFault::dropAt(40000), 1, "stream");
    auto stream = body("noise");
    waitUntil([&] { return stream->finished(); });
    for (int call = 0; call < 2; ++call) {
        try {
            stream->next();
            ADD_FAILURE() << "a chunk came out after the failure";
        } catch (const URLError& error) {
            EXPECT_EQ(error.code(), URLError::networkConnectionLost);
        }
    }
}

TEST_F(StreamingBodyTest, CancelEndsAWaitingNextAtOnce) {
    server.injectFault(loopback::FakeFault::delayHeaders(std::chrono::minutes(5)), 1, "stream");
    auto stream = body("noise");
    std::future<void> waiting = std::async(std::launch::async, [&] { stream->next(); });
    waitUntil([&] { return server.requestCount("stream") == 1; });
    stream->cancel();
    try {
        waiting.get();
        ADD_FAILURE() << "next() returned after cancel()";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::cancelled());
    }
    EXPECT_THROW(stream->next(), AudioFailure);
}

TEST_F(StreamingBodyTest, AnExecutorThatDropsTheTransferEndsTheBody) {
    auto pool = std::make_unique<WorkerPool>(1);
    pool->shutdown();
    StreamingBody stream(mediaRequest(server, "stream", {{"id", "noise"}}), session, *pool);
    EXPECT_THROW(stream.next(), AudioFailure);
}

// The decoder over a transcoded stream: the prepared file for the bit rate,
// cut at the whole seconds of the offset, decodes as that file does.
TEST_F(StreamingBodyTest, FeedsTheMP3StreamDecoder) {
    const fixtures::Tone tone{44100, 2, 16, 4 * 44100};
    const std::string at128 = test::readFile(fixtures::mp3(audioFolder(), "at128", tone, 128));
    const std::string at320 = test::readFile(fixtures::mp3(audioFolder(), "at320", tone, 320));
    server.setMedia("song", loopback::FakeMedia{{}, "audio/flac", {{128, at128}, {320, at320}}});

    struct Case {
        std::string maxBitRate;
        int offset;
        const std::string& file;
    };
    for (const Case& c : {Case{"320", 0, at320}, Case{"192", 0, at128}, Case{"320", 2, at320}}) {
        SCOPED_TRACE(c.maxBitRate + " from " + std::to_string(c.offset));
        std::vector<QueryItem> parameters = {{"id", "song"}, {"format", "mp3"}, {"maxBitRate", c.maxBitRate}};
        if (c.offset > 0) parameters.push_back({"timeOffset", std::to_string(c.offset)});
        server.injectFault(loopback::FakeFault::throttle(200000), 1, "stream");
        auto stream =
            std::make_shared<StreamingBody>(mediaRequest(server, "stream", parameters), session, transfers);
        PCMDecoder decoder(stream, nullptr, 48000);
        PCMBuffer decoded = decodeAll(decoder);
        PCMDecoder expected(std::make_shared<MemoryChunks>(loopback::mp3From(c.file, c.offset)), nullptr,
                            48000);
        EXPECT_EQ(decoded.channels, decodeAll(expected).channels);
        if (c.offset > 0) {
            EXPECT_LT(decoded.frameLength(), static_cast<std::size_t>((4 - c.offset) * 48000 + 4 * 1152));
            EXPECT_GT(decoded.frameLength(), static_cast<std::size_t>((4 - c.offset) * 48000 - 4 * 1152));
        }
    }

    // An empty body is not a stream of audio.
    server.setMedia("empty", loopback::FakeMedia{{}, "audio/flac", {{320, ""}}});
    try {
        PCMDecoder decoder(body("empty"), nullptr, 48000);
        ADD_FAILURE() << "an empty body decoded";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::invalidResponse());
    }
}

} // namespace
} // namespace sorvalind::testing
