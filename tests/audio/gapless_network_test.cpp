// The gapless suite with songs from the loopback server: ranged originals,
// transcoded streams with a time offset, a server that stalls mid-song, and
// a queue that mixes them with local files. Rendered on the offline output.

#include "audio_test_support.h"
#include "coded_songs.h"
#include "pipeline_rig.h"

#include "audio/streaming_body.h"
#include "http/http_session.h"
#include "platform/crypto/digest.h"
#include "runtime/thread_executor.h"
#include "support/media_request.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sorvalind::testing {
namespace {

constexpr std::size_t tail = 4800;

std::string fileText(const std::filesystem::path& path) {
    auto bytes = fileBytes(path);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

struct Network {
    Network() { transport = std::make_shared<HttpSession>(); }

    void serveOriginal(const std::string& id, const std::filesystem::path& file) {
        loopback::FakeMedia media;
        media.original = fileText(file);
        server.setMedia(id, media);
    }
    void serveMp3(const std::string& id, const std::filesystem::path& file) {
        loopback::FakeMedia media;
        media.mp3[320] = fileText(file);
        server.setMedia(id, media);
    }

    // The original read by ranges.
    AudioPipeline::Source ranged(QueueEntry entry, const std::string& id) {
        return AudioPipeline::Source(std::move(entry), [this, id](double) {
            return AudioPipeline::ResolvedSource(
                test::mediaRequest(server, "stream", {{"id", id}, {"format", "raw"}}), false);
        });
    }

    HttpRequest mp3Request(const std::string& id, int offset) {
        std::vector<QueryItem> parameters = {{"id", id}, {"format", "mp3"}, {"maxBitRate", "320"}};
        if (offset > 0) parameters.push_back({"timeOffset", std::to_string(offset)});
        return test::mediaRequest(server, "stream", parameters);
    }

    // The transcoded stream, started by the server at the whole seconds of
    // the start time, or from 0 when `fromStart`.
    AudioPipeline::Source stream(QueueEntry entry, const std::string& id, bool fromStart = false) {
        return AudioPipeline::Source(std::move(entry), [this, id, fromStart](double seconds) {
            if (fromStart) return AudioPipeline::ResolvedSource(mp3Request(id, 0), true, 0.0);
            return AudioPipeline::ResolvedSource(mp3Request(id, static_cast<int>(std::floor(seconds))), true);
        });
    }

    loopback::FakeSubsonicServer server;
    std::shared_ptr<HttpSession> transport;
};

// Where in the noise song `samples` start, to the frame: the shift around
// `near` whose noise fits the first frames best.
std::int64_t noiseStart(const PCMBuffer& samples, std::size_t from, int song, std::int64_t near) {
    std::int64_t best = near;
    double bestError = INFINITY;
    for (std::int64_t shift = -8; shift <= 8; ++shift) {
        double error = 0;
        for (std::size_t i = 0; i < 4800; ++i) {
            auto frame = near + shift + static_cast<std::int64_t>(i);
            if (frame < 0) continue;
            double d = samples.channels[0][from + i] - noiseSample(song, frame, 0);
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = near + shift;
        }
    }
    return best;
}

// The last position the entry reported, in frames.
std::int64_t lastFrame(const std::vector<Event>& events, const std::string& id) {
    double seconds = -1;
    for (const auto& event : events)
        if (event.kind == Kind::position && event.entryId == id) seconds = event.seconds;
    return std::llround(seconds * 48000);
}

TEST(GaplessNetwork, AStartPastZeroBeginsAtItsFrame) {
    const std::int64_t length = 100003;
    const double start = 1.03125; // 49500 frames, inside a FLAC frame
    const std::int64_t startFrame = 49500;
    Network network;
    network.serveOriginal("flac", codedFlac(0, length));
    for (bool ranged : {false, true}) {
        SCOPED_TRACE(ranged ? "ranged original" : "local file");
        OfflineRig rig(network.transport);
        auto entry = songEntry(0);
        auto token = randomUUID();
        rig.pipeline->start(
            {ranged ? network.ranged(entry, "flac") : fileSource(entry, codedFlac(0, length))}, start, true,
            token, false);
        rig.log.waitFor(token, Event::prepared(entry.id));
        rig.render(static_cast<std::size_t>(length - startFrame) + tail);
        rig.log.waitFor(token, Event::ended());
        PCMBuffer expected = codedFrames(0, startFrame, length);
        append(expected, silence(tail));
        expectSameFrames(rig.output, expected);
        EXPECT_EQ(lastFrame(rig.log.of(token), entry.id), length);
    }
}

TEST(GaplessNetwork, AStreamStartsAtTheServersOffsetAndSkipsTheFraction) {
    const std::int64_t length = 192000;
    Network network;
    network.serveMp3("mp3", noiseMp3(2, length));

    // Restarted from 0 by the server, the stream is cut here: the gapless
    // tag is kept, so the start is exact to a frame.
    {
        OfflineRig rig(network.transport);
        auto entry = songEntry(2);
        auto token = randomUUID();
        rig.pipeline->start({network.stream(entry, "mp3", true)}, 1.03125, true, token, false);
        rig.log.waitFor(token, Event::prepared(entry.id));
        rig.render(static_cast<std::size_t>(length - 49500) + tail);
        rig.log.waitFor(token, Event::ended());
        EXPECT_NEAR(noiseStart(rig.output, 0, 2, 49500), 49500, 1);
        EXPECT_NEAR(lastFrame(rig.log.of(token), entry.id), length, 1);
    }

    // Offset by the server to 2 s, the pipeline discards 0.3 s: what it plays
    // is the served stream from frame 14400 on.
    {
        OfflineRig rig(network.transport);
        auto entry = songEntry(2);
        auto token = randomUUID();
        rig.pipeline->start({network.stream(entry, "mp3")}, 2.3, true, token, false);
        rig.log.waitFor(token, Event::prepared(entry.id));

        WorkerPool transfers(1, "test-stream");
        PCMDecoder served(
            std::make_shared<StreamingBody>(network.mp3Request("mp3", 2), network.transport, transfers),
            nullptr, 48000);
        PCMBuffer expected = decodeAll(served);
        ASSERT_GT(expected.frameLength(), 14400u);
        expected.takeFront(14400);
        rig.render(expected.frameLength() + tail);
        rig.log.waitFor(token, Event::ended());
        append(expected, silence(tail));
        expectSameFrames(rig.output, expected);
        auto events = rig.log.of(token);
        auto first = std::find_if(events.begin(), events.end(),
                                  [](const Event& e) { return e.kind == Kind::position; });
        ASSERT_NE(first, events.end());
        EXPECT_GT(first->seconds, 2.3);
        EXPECT_LE(first->seconds, 2.3 + 8192.0 / 48000 + 1e-9);
    }
}

// Holds the range requests that start at or past a byte until released.
class RangeGate {
public:
    RangeGate(loopback::FakeSubsonicServer& server, std::int64_t from) {
        server.setMethod("stream", [this, from, standard = server.method("stream")](
                                       const loopback::FakeRequest& request, httplib::Response& res) {
            auto range = request.header("Range");
            if (range && range->starts_with("bytes=") && std::stoll(range->substr(6)) >= from) {
                std::unique_lock lock(mutex_);
                reached_ = true;
                changed_.notify_all();
                changed_.wait(lock, [&] { return open_; });
            }
            standard(request, res);
        });
    }
    ~RangeGate() { release(); }

    void waitUntilReached() {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(120), [&] { return reached_; }))
            ADD_FAILURE() << "no request reached the gate";
    }
    void release() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool open_ = false;
};

// A server that stalls mid-song: playback runs dry (silence goes in), says
// so, and goes on with the next frame once the data comes.
TEST(GaplessNetwork, AStallInsertsSilenceAndLosesNoFrame) {
    const std::int64_t lengthA = 480000, lengthB = 30011;
    Network network;
    network.serveOriginal("a", codedFlac(0, lengthA));
    RangeGate gate(network.server, 3 * 131072);
    OfflineRig rig(network.transport);
    auto a = songEntry(0), b = songEntry(1);
    auto token = randomUUID();
    rig.pipeline->start({network.ranged(a, "a"), fileSource(b, codedFlac(1, lengthB))}, 0, true, token,
                        false);
    gate.waitUntilReached();
    rig.log.waitFor(token, Event::buffered(a.id));
    // Everything decoded before the stall plays, then the node runs dry.
    rig.render(16 * 48000);
    rig.log.waitFor(token, Event::bufferingChanged(a.id, true));
    gate.release();
    rig.log.waitFor(token, Event::bufferingChanged(a.id, false), 2);
    rig.log.waitFor(token, Event::prepared(b.id));
    rig.render(static_cast<std::size_t>(lengthA + lengthB) + tail);
    rig.log.waitFor(token, Event::ended());

    // Cut the one silent stretch out: what remains is A then B, exactly.
    const auto& left = rig.output.channels[0];
    auto gapStart = static_cast<std::size_t>(std::find(left.begin(), left.end(), 0.0f) - left.begin());
    auto gapEnd = static_cast<std::size_t>(std::find_if(left.begin() + static_cast<std::ptrdiff_t>(gapStart),
                                                        left.end(), [](float v) { return v != 0.0f; }) -
                                           left.begin());
    ASSERT_GT(gapStart, 0u);
    ASSERT_LT(gapStart, static_cast<std::size_t>(lengthA));
    PCMBuffer played = rig.output;
    for (auto& channel : played.channels)
        channel.erase(channel.begin() + static_cast<std::ptrdiff_t>(gapStart),
                      channel.begin() + static_cast<std::ptrdiff_t>(gapEnd));
    PCMBuffer expected = codedFrames(0, 0, lengthA);
    append(expected, codedFrames(1, 0, lengthB));
    played.channels[0].resize(expected.frameLength());
    played.channels[1].resize(expected.frameLength());
    expectSameFrames(played, expected);

    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::bufferingChanged(a.id, true)), 1u);
    EXPECT_LT(indexOf(events, Event::bufferingChanged(a.id, true)), events.size());
}

TEST(GaplessNetwork, MixedSourcesPlayBackToBack) {
    const std::int64_t lengthA = 50001, lengthB = 70001, lengthC = 96000;
    Network network;
    network.serveOriginal("b", codedFlac(1, lengthB));
    network.serveMp3("c", noiseMp3(2, lengthC));
    OfflineRig rig(network.transport);
    auto a = songEntry(0), b = songEntry(1), c = songEntry(2);
    auto token = randomUUID();
    rig.pipeline->start(
        {fileSource(a, codedFlac(0, lengthA)), network.ranged(b, "b"), network.stream(c, "c")}, 0, true,
        token, false);
    for (const auto& entry : {a, b, c})
        rig.log.waitFor(token, Event::prepared(entry.id));
    rig.render(static_cast<std::size_t>(lengthA + lengthB + lengthC) + tail);
    rig.log.waitFor(token, Event::ended());

    PCMBuffer lossless = rig.output;
    for (auto& channel : lossless.channels)
        channel.resize(static_cast<std::size_t>(lengthA + lengthB));
    PCMBuffer expected = codedFrames(0, 0, lengthA);
    append(expected, codedFrames(1, 0, lengthB));
    expectSameFrames(lossless, expected);
    EXPECT_NEAR(noiseStart(rig.output, static_cast<std::size_t>(lengthA + lengthB), 2, 0), 0, 1);
    EXPECT_NEAR(lastFrame(rig.log.of(token), c.id), lengthC, 1);
    for (auto frame = static_cast<std::size_t>(lengthA + lengthB + lengthC + 1);
         frame < rig.output.frameLength(); ++frame)
        ASSERT_EQ(rig.output.channels[0][frame], 0.0f) << frame;
}

} // namespace
} // namespace sorvalind::testing
