// The ranged reader against the loopback fake server: exact bytes across
// blocks, the block cache, one connection, strict checks of every range
// answer, retries on the injected clock, cancellation, and decoding through
// it.
#include "audio_test_support.h"
#include "served_bytes.h"

#include "http/http_session.h"
#include "support/paths.h"

#include "audio/range_reader.h"
#include "errors/audio_failure.h"
#include "errors/url_error.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <fstream>
#include <future>
#include <set>
#include <variant>

namespace sorvalind::testing {
namespace {

using loopback::FakeFault;
using loopback::FakeMedia;
using loopback::FakeRequest;
constexpr std::int64_t block = RangeReader::blockSize;

class RangeReaderTest : public ::testing::Test {
protected:
    RangeReaderTest() {
        server.setMedia("song", loopback::FakeMedia{song, "audio/flac", {}});
        server.setMedia("short", loopback::FakeMedia{patternBytes(1000), "audio/flac", {}});
    }

    std::unique_ptr<RangeReader> reader(const std::string& id = "song", bool prefetch = false) {
        return std::make_unique<RangeReader>(
            mediaRequest(server, "stream", {{"id", id}, {"format", "raw"}, {"maxBitRate", "0"}}), session,
            timers, prefetch);
    }

    std::vector<loopback::FakeRequest> streams() const {
        std::vector<loopback::FakeRequest> out;
        for (const loopback::FakeRequest& request : server.requests())
            if (request.restMethod == "stream") out.push_back(request);
        return out;
    }
    std::string lastRange() const { return streams().back().header("Range").value_or(""); }

    static std::string text(const std::vector<std::byte>& bytes) {
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    const std::string song = patternBytes(18 * block + 4321);
    loopback::FakeSubsonicServer server;
    std::shared_ptr<HttpSession> session = std::make_shared<HttpSession>();
    VirtualClock clock;
    ManualExecutor timers{clock};
};

TEST_F(RangeReaderTest, ReadsExactBytesInBlocksOverOneConnection) {
    auto r = reader();
    EXPECT_TRUE(r->read(0, 10).empty()) << "nothing before the size is known";
    EXPECT_EQ(streams().size(), 0u);

    r->prepare();
    r->prepare();
    EXPECT_EQ(r->size(), static_cast<std::int64_t>(song.size()));
    ASSERT_EQ(streams().size(), 1u);
    EXPECT_EQ(lastRange(), "bytes=0-131071");

    // Straddling blocks 0 and 1: block 1 is fetched once.
    EXPECT_EQ(text(r->read(block - 2, 10)), song.substr(block - 2, 10));
    EXPECT_EQ(text(r->read(block + 5, 100)), song.substr(block + 5, 100));
    EXPECT_EQ(streams().size(), 2u);
    EXPECT_EQ(lastRange(), "bytes=131072-262143");

    // The last block is asked for up to the last byte, never past it.
    const auto size = static_cast<std::int64_t>(song.size());
    EXPECT_EQ(text(r->read(size - 10, 100)), song.substr(song.size() - 10));
    EXPECT_EQ(lastRange(), "bytes=" + std::to_string(18 * block) + "-" + std::to_string(size - 1));
    EXPECT_TRUE(r->read(size, 10).empty());
    EXPECT_TRUE(r->read(-1, 10).empty());
    EXPECT_EQ(r->transferredBytes(), 2 * block + 4321);
    EXPECT_EQ(r->requestedOffsets(), (std::deque<std::int64_t>{0, block, 18 * block}));

    // Every request asks for the bytes as stored, past any cache, on one connection.
    std::set<int> ports;
    for (const loopback::FakeRequest& request : streams()) {
        EXPECT_EQ(request.header("Accept-Encoding"), "identity");
        EXPECT_EQ(request.header("Cache-Control"), "no-store");
        EXPECT_EQ(request.header("Pragma"), "no-cache");
        ports.insert(request.remotePort);
    }
    EXPECT_EQ(ports.size(), 1u);
}

TEST_F(RangeReaderTest, ShortResourceAndPrefetch) {
    auto r = reader("short", true);
    EXPECT_EQ(r->size(), 1000);
    EXPECT_EQ(lastRange(), "bytes=0-131071");
    EXPECT_EQ(text(r->read(990, 100)), patternBytes(1000).substr(990));
    EXPECT_EQ(streams().size(), 1u);
}

TEST_F(RangeReaderTest, TheSeventeenthBlockEvictsTheFirstFetchedEvenIfJustRead) {
    auto r = reader();
    r->prepare();
    for (std::int64_t b = 1; b < 16; ++b)
        r->read(b * block, 1);
    r->read(0, 1); // a hit changes nothing
    EXPECT_EQ(streams().size(), 16u);
    r->read(16 * block, 1);
    r->read(2 * block, 1);
    EXPECT_EQ(streams().size(), 17u);
    EXPECT_EQ(text(r->read(0, 5)), song.substr(0, 5));
    EXPECT_EQ(streams().size(), 18u);
    EXPECT_EQ(lastRange(), "bytes=0-131071");
}

// A stream method answering every range with what `answer` makes of it.
void answerWith(loopback::FakeSubsonicServer& server,
                std::function<void(std::int64_t start, httplib::Response&)> answer) {
    server.setMethod("stream", [answer](const loopback::FakeRequest& request, httplib::Response& res) {
        std::string range = request.header("Range").value_or("bytes=0-");
        answer(std::stoll(range.substr(6)), res);
    });
}

void partial(httplib::Response& res, const std::string& contentRange, const std::string& body) {
    res.status = 206;
    res.set_header("Content-Range", contentRange);
    res.set_content(body, "audio/flac");
}

TEST_F(RangeReaderTest, RefusesEveryAnswerThatIsNotExactlyTheRange) {
    using Expected = std::variant<AudioFailure, URLError>;
    struct Case {
        std::string name;
        std::function<void(loopback::FakeSubsonicServer&)> arrange;
        Expected expected;
    };
    const std::string body = patternBytes(1000);
    auto fault = [](loopback::FakeFault f) {
        return [f](loopback::FakeSubsonicServer& s) { s.injectFault(f, 1, "stream"); };
    };
    auto answer = [&](std::string contentRange, std::string content) {
        return [contentRange, content](loopback::FakeSubsonicServer& s) {
            answerWith(s, [contentRange, content](std::int64_t, httplib::Response& res) {
                partial(res, contentRange, content);
            });
        };
    };
    const std::vector<Case> cases = {
        {"200 with the whole file", fault(loopback::FakeFault::ignoreRange()),
         AudioFailure::rangeUnavailable()},
        {"redirect", fault(loopback::FakeFault::redirectTo("http://127.0.0.1:1/x")),
         AudioFailure::rangeUnavailable()},
        {"404", fault(loopback::FakeFault::status(404)), AudioFailure::rangeUnavailable()},
        {"error envelope", fault(loopback::FakeFault::subsonicError(70)), AudioFailure::rangeUnavailable()},
        {"range one byte later", fault(loopback::FakeFault::shiftContentRange()),
         AudioFailure::invalidResponse()},
        {"total an asterisk", answer("bytes 0-999/*", body), AudioFailure::invalidResponse()},
        {"no Content-Range", answer("", body), AudioFailure::invalidResponse()},
        {"another unit", answer("items 0-999/1000", body), AudioFailure::invalidResponse()},
        {"total not above the start", answer("bytes 0-999/0", body), AudioFailure::invalidResponse()},
        {"shorter than the range", answer("bytes 0-131071/300000", body), AudioFailure::invalidResponse()},
        {"longer than asked", answer("bytes 0-131071/300000", patternBytes(block + 1)),
         AudioFailure::invalidResponse()},
        {"body cut short", fault(loopback::FakeFault::dropAt(500)),
         URLError(URLError::networkConnectionLost)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        loopback::FakeSubsonicServer::RestHandler standard = server.method("stream");
        c.arrange(server);
        auto r = reader("short");
        // Transient failures are retried: let them all fail.
        if (std::holds_alternative<URLError>(c.expected))
            server.injectFault(loopback::FakeFault::dropAt(500), 4, "stream");
        std::future<void> read = std::async(std::launch::async, [&] { r->prepare(); });
        while (read.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready)
            clock.advance(std::chrono::seconds(1));
        try {
            read.get();
            ADD_FAILURE() << "accepted";
        } catch (const AudioFailure& failure) {
            ASSERT_TRUE(std::holds_alternative<AudioFailure>(c.expected)) << failure.what();
            EXPECT_EQ(failure, std::get<AudioFailure>(c.expected));
        } catch (const URLError& error) {
            ASSERT_TRUE(std::holds_alternative<URLError>(c.expected)) << error.code();
            EXPECT_EQ(error.code(), std::get<URLError>(c.expected).code());
        }
        // Nothing of the refused answer stays: the next read asks again and succeeds.
        EXPECT_EQ(r->size(), 0);
        EXPECT_EQ(r->transferredBytes(), 0);
        server.setMethod("stream", standard);
        r->prepare();
        EXPECT_EQ(r->size(), 1000);
        EXPECT_EQ(text(r->read(0, 1000)), body);
    }
}

TEST_F(RangeReaderTest, ASizeThatChangesBetweenBlocksIsRefused) {
    auto r = reader();
    r->prepare();
    answerWith(server, [](std::int64_t start, httplib::Response& res) {
        partial(res,
                "bytes " + std::to_string(start) + "-" + std::to_string(start + block - 1) + "/999999999",
                patternBytes(block));
    });
    EXPECT_THROW(r->read(block, 1), AudioFailure);
    EXPECT_EQ(r->size(), static_cast<std::int64_t>(song.size()));
}

TEST_F(RangeReaderTest, RetriesLostConnectionsAfterGrowingDelaysOnTheClock) {
    for (int failures : {4, 5}) {
        SCOPED_TRACE(failures);
        server.clearRequests();
        server.injectFault(loopback::FakeFault::dropAt(100), failures, "stream");
        auto r = reader();
        std::future<void> read = std::async(std::launch::async, [&] { r->prepare(); });
        for (int retry = 0; retry < 4; ++retry) {
            waitUntil([&] { return clock.pendingTimers() == 1; });
            EXPECT_EQ(streams().size(), static_cast<std::size_t>(retry + 1));
            auto delay = std::chrono::milliseconds(500) * (1 << retry);
            clock.advance(delay - std::chrono::milliseconds(1));
            EXPECT_EQ(clock.pendingTimers(), 1u) << "waits the whole delay";
            clock.advance(std::chrono::milliseconds(1));
        }
        if (failures == 4) {
            read.get();
            EXPECT_EQ(r->size(), static_cast<std::int64_t>(song.size()));
        } else {
            try {
                read.get();
                ADD_FAILURE() << "the fifth failure must be thrown";
            } catch (const URLError& error) {
                EXPECT_EQ(error.code(), URLError::networkConnectionLost);
            }
        }
        EXPECT_EQ(streams().size(), 5u);
        EXPECT_EQ(clock.pendingTimers(), 0u);
    }
}

TEST_F(RangeReaderTest, CancelWakesAWaitingReadAtOnce) {
    // Waiting out a retry delay: ends without the clock moving.
    server.injectFault(loopback::FakeFault::dropAt(100), 1, "stream");
    auto delayed = reader();
    std::future<void> read = std::async(std::launch::async, [&] { delayed->prepare(); });
    waitUntil([&] { return clock.pendingTimers() == 1; });
    delayed->cancel();
    EXPECT_THROW(read.get(), AudioFailure);

    // Waiting for a stalled answer: ends without the server going on.
    server.injectFault(loopback::FakeFault::stallAt(10), 1, "stream");
    auto stalled = reader();
    read = std::async(std::launch::async, [&] { stalled->prepare(); });
    waitUntil([&] { return streams().size() == 2; });
    stalled->cancel();
    try {
        read.get();
        ADD_FAILURE() << "a cancelled read returned";
    } catch (const URLError& error) {
        EXPECT_EQ(error.code(), URLError::cancelled);
    }

    // For good.
    try {
        stalled->read(0, 1);
        ADD_FAILURE() << "a cancelled reader read";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::cancelled());
    }
    EXPECT_THROW(stalled->prepare(), AudioFailure);
    server.releaseStalled();
}

TEST_F(RangeReaderTest, ReadsALocalFileFromItsURL) {
    std::filesystem::path path = audioFolder() / "local-file.bin";
    std::ofstream(path, std::ios::binary) << patternBytes(5000);
    RangeReader r(HttpRequest(Url::parse("file://" + path.string())), nullptr, timers);
    EXPECT_EQ(r.size(), 5000);
    EXPECT_EQ(text(r.read(-5, 10)), patternBytes(10));
    EXPECT_EQ(text(r.read(4995, 10)), patternBytes(5000).substr(4995));
}

// Songs decoded through the reader equal the same files decoded from disk;
// a range refused midway stops the decoder with the reader's own failure.
TEST_F(RangeReaderTest, DecodersReadThroughItAndFailWithItsFailure) {
    const fixtures::Tone tone{44100, 2, 16, 10 * 44100 + 17};
    for (const std::filesystem::path& file :
         {fixtures::flac(audioFolder(), "ranged", tone), fixtures::mp3(audioFolder(), "ranged", tone, 320)}) {
        SCOPED_TRACE(file.filename());
        server.setMedia("audio", loopback::FakeMedia{test::readFile(file), "audio/mpeg", {}});
        PCMDecoder local(file, 48000);
        PCMBuffer expected = decodeAll(local);

        std::shared_ptr<RangeReader> r = reader("audio");
        PCMDecoder remote(r, 48000);
        PCMBuffer decoded = decodeAll(remote);
        EXPECT_EQ(decoded.channels, expected.channels);

        std::shared_ptr<RangeReader> broken = reader("audio");
        PCMDecoder failing(broken, 48000);
        server.injectFault(loopback::FakeFault::shiftContentRange(), 1000, "stream");
        try {
            decodeAll(failing);
            ADD_FAILURE() << "decoded past a refused range";
        } catch (const AudioFailure& failure) {
            EXPECT_EQ(failure, AudioFailure::invalidResponse());
        }
        server.clearFaults();
    }
}

} // namespace
} // namespace sorvalind::testing
