// A changed or lost output device while a song plays: the song goes on from
// the second it had reached, for a downloaded file, an original read by byte
// ranges and a transcoded stream from a server that cannot start a stream
// at an offset (which is then streamed from its start, the part before the
// position discarded).

#include "controller_fixture.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind::testing {
namespace {

enum class Kind { downloaded, ranged, transcoded };

struct DeviceCase {
    const char* name;
    Kind kind;
    bool lost; // gone for good: the output stops and is opened again
};

class ControllerOutputChangeTest : public ControllerTest {
protected:
    // A 6-second song of this kind under a new id, the controller set up to
    // play it.
    Song prepare(Kind kind) {
        id_ = "s" + std::to_string(++songs_);
        Song song = servedSong(id_, 6);
        if (kind == Kind::downloaded) {
            const fixtures::Tone tone{48000, 2, 16, 6 * 48000};
            record(song, DownloadQuality::original, fixtures::flac(dir.path(), id_, tone));
        }
        if (kind == Kind::transcoded) controller->setStreamingQuality(DownloadQuality::mp3_192);
        return song;
    }

    // Watches for the restart: `buffering` turning true, which one pass of
    // the main actor may also turn false again. Sets `restartedAt` to the
    // position at that moment.
    Subscription watchRestart() {
        restartedAt.reset();
        return controller->buffering().subscribe([this](bool buffering) {
            if (buffering && !restartedAt) restartedAt = controller->position().value();
        });
    }

    bool playingAt(double seconds) const {
        return currentID() == id_ && !controller->buffering().value() &&
               controller->position().value() >= seconds;
    }

    // The "stream" requests since the last clear, as (format, timeOffset).
    std::vector<std::pair<std::string, std::string>> streams() const {
        std::vector<std::pair<std::string, std::string>> found;
        for (const auto& request : server.requests())
            if (request.restMethod == "stream")
                found.emplace_back(request.param("format").value_or(""),
                                   request.param("timeOffset").value_or("none"));
        return found;
    }

    void expectReadFromTheStart(Kind kind) const {
        const auto read = streams();
        switch (kind) {
        case Kind::downloaded:
            EXPECT_TRUE(read.empty());
            break;
        case Kind::ranged:
        case Kind::transcoded: {
            // For the stream no offset the server could refuse: it starts at
            // 0 and the pipeline discards up to the position.
            const std::string format = kind == Kind::ranged ? "raw" : "mp3";
            ASSERT_FALSE(read.empty());
            for (const auto& request : read)
                EXPECT_EQ(request, std::make_pair(format, std::string("none")));
            break;
        }
        }
    }

    std::optional<double> restartedAt;
    std::string id_;
    int songs_ = 0;
};

TEST_F(ControllerOutputChangeTest, PlayingGoesOnFromTheSameSecondOnTheNewDevice) {
    const std::vector<DeviceCase> cases = {
        {"downloaded FLAC", Kind::downloaded, false},
        {"ranged FLAC original", Kind::ranged, false},
        {"transcoded stream", Kind::transcoded, false},
        {"downloaded FLAC, device lost", Kind::downloaded, true},
        {"transcoded stream, device lost", Kind::transcoded, true},
    };
    for (const DeviceCase& c : cases) {
        SCOPED_TRACE(c.name);
        controller->setStreamingQuality(DownloadQuality::original);
        const Song song = prepare(c.kind);
        controller->play({song}, std::nullopt, 0, std::nullopt);
        playUntil([&] { return playingAt(1.5); });
        const double reached = controller->position().value();
        server.clearRequests();

        double lowest = std::numeric_limits<double>::infinity();
        auto watch =
            controller->position().subscribe([&](double seconds) { lowest = std::min(lowest, seconds); });
        auto restart = watchRestart();
        output->changeDevice(c.lost);
        EXPECT_EQ(engine->isRunning(), !c.lost);
        test::driveUntil(main, [&] { return restartedAt.has_value(); });
        playUntil([&] { return playingAt(reached + 0.5); });

        EXPECT_GE(lowest, reached); // never back to the song's start
        EXPECT_LT(controller->position().value(), reached + 1.5);
        EXPECT_TRUE(controller->isPlaying().value());
        EXPECT_EQ(controller->error().value(), std::nullopt);
        EXPECT_TRUE(engine->isRunning());
        expectReadFromTheStart(c.kind);
        controller->stop();
        settle();
    }
}

TEST_F(ControllerOutputChangeTest, APausedSongStaysPausedAtItsSecondAndResumesThere) {
    controller->setStreamingQuality(DownloadQuality::mp3_192);
    controller->play({prepare(Kind::transcoded)}, std::nullopt, 0, std::nullopt);
    playUntil([&] { return playingAt(1.5); });
    controller->pause();
    settle();
    server.clearRequests();

    auto restart = watchRestart();
    output->changeDevice();
    // Prepared again, without sound: the first buffer is scheduled.
    test::driveUntil(main, [&] { return restartedAt && !controller->buffering().value(); });
    // From the restart on, events of the paused run are dropped.
    const double reached = *restartedAt;
    EXPECT_GE(reached, 1.5);
    for (int round = 0; round < 5; ++round) {
        engine->renderOffline(4800);
        engine->waitForNotifications();
        main.runUntilIdle();
    }
    EXPECT_FALSE(controller->isPlaying().value());
    EXPECT_EQ(controller->position().value(), reached);
    expectReadFromTheStart(Kind::transcoded);

    const std::size_t before = streams().size();
    controller->toggle();
    playUntil([&] { return playingAt(reached + 0.3); });
    EXPECT_EQ(controller->error().value(), std::nullopt);
    EXPECT_EQ(streams().size(), before); // resumed, not reloaded
}

} // namespace
} // namespace sorvalind::testing
