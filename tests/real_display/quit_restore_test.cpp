// Quitting mid-song and mid-download, by the desktop's media controls or by
// SIGTERM: the program ends with 0 within the quit's bound, and its next
// start on the same profile carries on where it stopped (the song at its
// position, the download's transfer).

#include "real_display/real_display_fixture.h"
#include "real_display/seeded_profile.h"

#include "downloads/download_manager.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

enum class QuitBy { mediaControls, terminateSignal };

struct QuitCase {
    const char* name;
    QuitBy by;
};
constexpr QuitCase quitCases[] = {
    {"the media controls' Quit", QuitBy::mediaControls},
    {"SIGTERM", QuitBy::terminateSignal},
};

constexpr const char* playerPath = "/org/mpris/MediaPlayer2";
constexpr const char* playerInterface = "org.mpris.MediaPlayer2.Player";

struct QuitAndRestore : RealDisplay {
    std::unique_ptr<loopback::FakeSubsonicServer> server;

    void SetUp() override {
        RealDisplay::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(session().startKeyring()) << "no keyring";
        ASSERT_TRUE(session().startSoundServer()) << "no sound server";
        // The seeding writes to the same keyring as the program.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", session().busAddress().c_str(), 1);
        session().enter(*profile);
    }

    // A fresh server whose songs all play the same real FLAC as long as the
    // first song says it lasts, and a fresh profile signed in to it.
    std::optional<SeededProfile> freshWorld() {
        profile.emplace(programPath());
        session().enter(*profile);
        server = std::make_unique<loopback::FakeSubsonicServer>();
        const int seconds = server->withLibrary(
            [](loopback::FakeLibrary& library) { return library.songs.front().value("duration", 0); });
        static const std::string flac = [seconds] {
            const fixtures::Tone tone{22050, 1, 16, 22050LL * seconds};
            const auto file = fixtures::flac(fixtures::programFolder("real-display"), "song", tone);
            std::ifstream in(file, std::ios::binary);
            return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        }();
        const int songs = server->withLibrary(
            [](loopback::FakeLibrary& library) { return static_cast<int>(library.songs.size()); });
        for (int i = 1; i <= songs; ++i)
            server->setMedia("so-" + std::to_string(i),
                             {.original = flac, .contentType = "audio/flac", .mp3 = {}});
        std::optional<SeededProfile> seeded;
        seeded.emplace(*profile, *server);
        seeded->saveLogin();
        return seeded;
    }

    std::optional<std::string> player(const std::string& member,
                                      const std::vector<std::string>& arguments = {}) {
        const auto name = playerName();
        if (!name) return std::nullopt;
        std::vector<std::string> call{"--dest=" + *name, playerPath, member};
        call.insert(call.end(), arguments.begin(), arguments.end());
        return session().call(call);
    }
    std::optional<std::string> property(const std::string& name) {
        return player("org.freedesktop.DBus.Properties.Get",
                      {std::string("string:") + playerInterface, "string:" + name});
    }
    // Where the player is in its song, in seconds.
    std::optional<double> position() {
        const auto reply = property("Position");
        if (!reply) return std::nullopt;
        const auto at = reply->find("int64 ");
        if (at == std::string::npos) return std::nullopt;
        return std::stod(reply->substr(at + 6)) / 1e6;
    }

    // Presses Play until `playing` holds. The program takes the command
    // only once its model has restored the queue, and its media controls
    // show nothing of a restored queue before it plays: so asking again is
    // the only way to know.
    bool playUntil(const std::function<bool()>& playing) {
        return waitUntil([&] {
            player(std::string(playerInterface) + ".Play");
            return waitUntil(playing, std::chrono::seconds(3), busPolling);
        });
    }

    std::optional<int> quit(ChildProcess& program, QuitBy by) {
        if (by == QuitBy::terminateSignal) return quitBySignal(program, SIGTERM);
        const auto name = playerName();
        if (!name) return std::nullopt;
        const auto asked = std::chrono::steady_clock::now();
        // The program may end before it answers: the answer does not count.
        session().call({"--dest=" + *name, playerPath, "org.mpris.MediaPlayer2.Quit"});
        const auto left = quitBound() - (std::chrono::steady_clock::now() - asked);
        return program.wait(std::chrono::duration_cast<std::chrono::milliseconds>(left));
    }
};

TEST_F(QuitAndRestore, MidSongTheNextStartResumesTheSongWhereItStopped) {
    for (const auto& c : quitCases) {
        SCOPED_TRACE(c.name);
        auto seeded = freshWorld();
        const std::string title = server->withLibrary(
            [](loopback::FakeLibrary& library) { return library.songs.front().value("title", ""); });
        seeded->saveQueue({"so-1", "so-2", "so-3"}, 0);

        auto first = profile->start();
        ASSERT_TRUE(waitForWindow(*first, mainTitle)) << first->err();
        ASSERT_TRUE(playUntil([&] { return position().value_or(0) > 0.5; })) << first->err();
        // Well into the song, by the desktop's seek, and still playing.
        ASSERT_TRUE(player(std::string(playerInterface) + ".Seek", {"int64:30000000"}));
        ASSERT_TRUE(waitUntil([&] { return position().value_or(0) > 31; }, patience, busPolling))
            << first->err();
        const double playedTo = position().value_or(0);

        EXPECT_EQ(quit(*first, c.by), 0) << first->err();

        auto next = profile->start();
        ASSERT_TRUE(waitForWindow(*next, mainTitle)) << next->err();
        std::optional<double> resumed;
        ASSERT_TRUE(playUntil([&] {
            resumed = position();
            return resumed.value_or(0) > 0;
        })) << next->err();
        EXPECT_GE(*resumed, 30.0);
        EXPECT_LE(*resumed, playedTo + 1.0);
        const auto metadata = property("Metadata");
        ASSERT_TRUE(metadata);
        EXPECT_NE(metadata->find('"' + title + '"'), std::string::npos) << *metadata;
        EXPECT_EQ(quitBySignal(*next, SIGTERM), 0);
    }
}

TEST_F(QuitAndRestore, MidDownloadTheNextStartResumesTheTransfer) {
    for (const auto& c : quitCases) {
        SCOPED_TRACE(c.name);
        auto seeded = freshWorld();
        // A favourite, downloaded by itself, slowly enough to be mid-way at the quit.
        server->withLibrary([](loopback::FakeLibrary& library) { return library.setStarred("so-1", true); });
        server->injectFault(loopback::FakeFault::throttle(64 * 1024), 100000, "download");
        seeded->setBool("automaticallyDownloadFavorites", true);

        auto first = profile->start();
        ASSERT_TRUE(waitForWindow(*first, mainTitle)) << first->err();
        ASSERT_TRUE(waitUntil([&] { return server->requestCount("download") >= 1; })) << first->err();
        // The job list reaches the store on the workers, and on a loaded
        // machine the quit's bound may cut that write short: the next start
        // can only carry on what the store holds.
        ASSERT_TRUE(waitUntil([&] {
            return seeded->storedState(DownloadManager::stateKey).value_or("").find("so-1") !=
                   std::string::npos;
        })) << first->err();
        EXPECT_EQ(quit(*first, c.by), 0) << first->err();
        const std::size_t before = server->requestCount("download");

        // Only the restored list can ask again: favourites are no longer fetched by themselves.
        seeded->setBool("automaticallyDownloadFavorites", false);
        auto next = profile->start();
        ASSERT_TRUE(waitForWindow(*next, mainTitle)) << next->err();
        EXPECT_TRUE(waitUntil([&] { return server->requestCount("download") > before; })) << next->err();
        std::optional<std::string> asked;
        for (const auto& request : server->requests())
            if (request.restMethod == "download") asked = request.param("id");
        EXPECT_EQ(asked, "so-1");
        EXPECT_EQ(quitBySignal(*next, SIGTERM), 0);
    }
}

} // namespace
} // namespace sorvalind::test
