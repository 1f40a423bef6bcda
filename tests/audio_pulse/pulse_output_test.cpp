// The sound server output against a private PulseAudio daemon with a null
// sink (scripts/with-pulse); skipped when no such daemon was started for it.

#include "audio/audio_engine.h"
#include "audio/pulse_output.h"
#include "errors/audio_failure.h"
#include "errors/safe_error.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "platform/pulse/pulse_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

// What a command printed, or none when it failed.
std::optional<std::string> commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return std::nullopt;
    std::string text;
    char chunk[256];
    while (auto read = std::fread(chunk, 1, sizeof chunk, pipe.get()))
        text.append(chunk, read);
    if (pclose(pipe.release()) != 0) return std::nullopt;
    return text;
}

// The ids of the playback streams the daemon has.
std::vector<std::string> sinkInputs() {
    std::vector<std::string> ids;
    auto listing = commandOutput("pactl list short sink-inputs");
    if (!listing) return ids;
    std::size_t start = 0;
    while (start < listing->size()) {
        auto end = listing->find('\n', start);
        if (end == std::string::npos) end = listing->size();
        auto line = listing->substr(start, end - start);
        if (!line.empty()) ids.push_back(line.substr(0, line.find('\t')));
        start = end + 1;
    }
    return ids;
}

std::shared_ptr<const PCMBuffer> tone(std::size_t frames, std::size_t first) {
    auto buffer = std::make_shared<PCMBuffer>();
    for (auto& channel : buffer->channels)
        channel.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        auto value =
            static_cast<float>(0.1 * std::sin(2 * M_PI * 440 * static_cast<double>(first + i) / 48000));
        buffer->channels[0][i] = value;
        buffer->channels[1][i] = value;
    }
    return buffer;
}

// Counts completions and output changes; waits for them with a bound that
// only guards against a hang.
struct Events {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<BufferEnd> ends;
    int outputChanges = 0;

    BufferCompletion completion() {
        return [this](BufferEnd end) {
            {
                std::lock_guard lock(mutex);
                ends.push_back(end);
            }
            changed.notify_all();
        };
    }
    void outputChanged() {
        {
            std::lock_guard lock(mutex);
            ++outputChanges;
        }
        changed.notify_all();
    }
    template <class Predicate> bool waitUntil(Predicate done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), done);
    }
};

class PulseOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "needs a private sound server: run under scripts/with-pulse";
    }
};

TEST_F(PulseOutputTest, PlaysTwoSecondsThroughTheSoundServer) {
    Events events;
    auto output = std::make_unique<PulseOutput>();
    auto* pulse = output.get();
    AudioEngine engine(std::move(output));
    auto node = engine.makePlayerNode();
    constexpr std::size_t bufferFrames = 8000;
    constexpr std::size_t buffers = 12; // 2 s at 48000 Hz
    for (std::size_t i = 0; i < buffers; ++i)
        node->scheduleBuffer(tone(bufferFrames, i * bufferFrames),
                             static_cast<std::int64_t>(i * bufferFrames), false, CompletionPoint::playedBack,
                             events.completion());
    node->play();
    engine.start();
    EXPECT_TRUE(engine.isRunning());
    EXPECT_EQ(engine.latencyFrames(), 2400);

    ASSERT_TRUE(events.waitUntil([&] { return !events.ends.empty(); }));
    EXPECT_EQ(sinkInputs().size(), 1u) << "the daemon plays our stream";
    ASSERT_TRUE(events.waitUntil([&] { return events.ends.size() == buffers; }));
    for (auto end : events.ends)
        EXPECT_EQ(end, BufferEnd::completed);
    EXPECT_GE(pulse->framesWritten(), static_cast<std::int64_t>(buffers * bufferFrames));
    EXPECT_GE(node->playerSampleTime().value_or(0), static_cast<std::int64_t>(buffers * bufferFrames));
    EXPECT_EQ(pulse->streamsOpened(), 1);

    engine.stop();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(sinkInputs().empty()) << "stopping closes the stream";
}

TEST_F(PulseOutputTest, AStreamMovedToAnotherDeviceReportsAnOutputChange) {
    Events events;
    auto output = std::make_unique<PulseOutput>();
    auto* pulse = output.get();
    AudioEngine engine(std::move(output));
    engine.setConfigurationChangeHandler([&events] { events.outputChanged(); });
    auto node = engine.makePlayerNode();
    node->play();
    engine.start();

    // The device goes; the server moves the stream to the one that is left.
    ASSERT_TRUE(commandOutput("pactl load-module module-null-sink sink_name=spare"));
    ASSERT_TRUE(commandOutput("pactl list short modules | awk '$2 == \"module-null-sink\" && $3 == "
                              "\"sink_name=null\" { print $1 }' | xargs pactl unload-module"));
    ASSERT_TRUE(events.waitUntil([&] { return events.outputChanges == 1; }));
    EXPECT_TRUE(engine.isRunning());
    EXPECT_EQ(pulse->streamsOpened(), 1);

    node->scheduleBuffer(tone(4800, 0), node->playerSampleTime().value_or(0) + 4800, false,
                         CompletionPoint::playedBack, events.completion());
    ASSERT_TRUE(events.waitUntil([&] { return events.ends.size() == 1; }));
    EXPECT_EQ(events.ends.back(), BufferEnd::completed);
}

TEST_F(PulseOutputTest, ALostConnectionIsOpenedAgainAndReportedAsAnOutputChange) {
    std::string server = std::getenv("PULSE_SERVER");
    ASSERT_EQ(server.rfind("unix:", 0), 0u) << "with-pulse serves a unix socket";
    auto socket = server.substr(5);
    auto spare = socket + ".spare";
    auto throughSpare = "env PULSE_SERVER=unix:" + spare + " pactl ";

    Events events;
    auto output = std::make_unique<PulseOutput>();
    auto* pulse = output.get();
    AudioEngine engine(std::move(output));
    engine.setConfigurationChangeHandler([&events] { events.outputChanged(); });
    auto node = engine.makePlayerNode();
    node->scheduleBuffer(tone(4800, 0), 0, false, CompletionPoint::playedBack, events.completion());
    node->play();
    engine.start();
    ASSERT_TRUE(events.waitUntil([&] { return events.ends.size() == 1; }));

    // The server drops every client of our socket, then serves it again
    // while the output is still trying.
    ASSERT_TRUE(
        commandOutput("pactl load-module module-native-protocol-unix auth-anonymous=1 socket=" + spare));
    ASSERT_TRUE(commandOutput(throughSpare +
                              "list short modules | awk '$2 == \"module-native-protocol-unix\" && "
                              "index($0, \"socket=" +
                              socket + "\t\") { print $1 }' | xargs " + throughSpare + "unload-module"));
    ASSERT_TRUE(commandOutput(throughSpare +
                              "load-module module-native-protocol-unix auth-anonymous=1 socket=" + socket));
    ASSERT_TRUE(events.waitUntil([&] { return events.outputChanges >= 1; }));
    EXPECT_TRUE(engine.isRunning());
    EXPECT_EQ(pulse->streamsOpened(), 2);

    // The new stream plays what comes next.
    node->scheduleBuffer(tone(4800, 0), node->playerSampleTime().value_or(0) + 4800, false,
                         CompletionPoint::playedBack, events.completion());
    ASSERT_TRUE(events.waitUntil([&] { return events.ends.size() == 2; }));
    EXPECT_EQ(events.ends.back(), BufferEnd::completed);
}

TEST(PulseOutputFailure, NoServerFailsToStartWithPulseAudiosReason) {
    PulseOutput::Options options;
    options.server = "unix:/nonexistent/sorvalind-no-server";
    AudioEngine engine(std::make_unique<PulseOutput>(options));
    try {
        engine.start();
        FAIL() << "started without a server";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure.kind(), AudioFailure::Case::outputUnavailable);
        EXPECT_EQ(SafeError::message(failure),
                  "No sound output is available. Check that your desktop’s sound server is running.");
        try {
            std::rethrow_if_nested(failure);
            FAIL() << "PulseAudio's reason is not kept";
        } catch (const PulseError& error) {
            EXPECT_NE(error.code(), 0);
            EXPECT_NE(std::string(error.what()).find("PulseAudio could not connect to the sound server"),
                      std::string::npos)
                << error.what();
        }
    }
    EXPECT_FALSE(engine.isRunning());
}

} // namespace
} // namespace sorvalind
