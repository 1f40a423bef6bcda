// The whole life of an account, end to end: the first launch, a sign-in
// against the loopback server, its first synchronisation, a song played on
// the offline output through the real playback controller, a favourite that
// reaches the server, and a reset that leaves nothing of the account behind.

#include "coordinator_fixture.h"
#include "loopback/audio/audio_fixtures.h"
#include "offline_render.h"

#include "model/controller_playback.h"
#include "support/recording_now_playing.h"

#include <fstream>

namespace sorvalind::test {
namespace {

class SignInToReset : public CoordinatorFixture {
protected:
    RecordingNowPlayingCenter nowPlaying;
    RecordingRemoteCommandCenter commands;

    SignInToReset() {
        useServer({.library = {.artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 2, .playlists = 0}});
        const fixtures::Tone tone{48000, 2, 16, 48000};
        const auto file = fixtures::flac(fixtures::programFolder("sign-in-to-reset"), "song", tone);
        std::ifstream in(file, std::ios::binary);
        const std::string flac{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (const char* id : {"so-1", "so-2"})
            server->setMedia(id,
                             loopback::FakeMedia{.original = flac, .contentType = "audio/flac", .mp3 = {}});
    }

    AppEnvironment wired() {
        AppEnvironment environment = this->environment();
        environment.nowPlaying = &nowPlaying;
        environment.remoteCommands = &commands;
        environment.credentialLoader = [this](const std::string& account, bool interactive) {
            return credentialStore.load(account, interactive);
        };
        environment.makePlayback = offlinePlaybackFactory(main, workers, nowPlaying, commands);
        return environment;
    }

    PlaybackController& controller() { return *current()->playback().controller(); }
};

TEST_F(SignInToReset, AnAccountSignsInPlaysEditsAndIsResetWithoutATrace) {
    makeCoordinator(wired());
    launch();
    ASSERT_TRUE(current());
    EXPECT_EQ(current()->configuration(), std::nullopt);

    // Sign in; the first synchronisation mirrors the library.
    const auto failure = connect();
    ASSERT_EQ(failure, nullptr) << messageOf(failure);
    const auto signedIn = current();
    const std::filesystem::path accountFolder = signedIn->folder();
    EXPECT_TRUE(std::filesystem::exists(accountFolder / "Library.sqlite"));
    EXPECT_EQ(signedIn->status().value(), AppModel::upToDateStatus);
    EXPECT_EQ(signedIn->librarySongCount().value(), 2);
    model = signedIn;
    auto song = onStore([](LibraryRepository& repository) { return repository.song("so-1"); });
    ASSERT_TRUE(song);

    // A song plays from the server on the offline output.
    Song playable = *song;
    playable.size = std::nullopt; // the generated size is made up; the served file is real
    playable.duration = 1.0;
    signedIn->playback().play({playable}, std::string("so-1"), std::nullopt, std::nullopt);
    ASSERT_TRUE(renderUntil(main, *signedIn, [&] { return controller().position().value() > 0.2; }));
    EXPECT_EQ(controller().error().value(), std::nullopt);
    ASSERT_TRUE(controller().current());
    EXPECT_EQ(controller().current()->id, "so-1");
    EXPECT_GE(requests("stream"), 1u);

    // A favourite reaches the server.
    signedIn->favorite(*song);
    drive([&] { return requests("star") == 1; });
    drive([&] {
        return server->withLibrary(
            [](loopback::FakeLibrary& library) { return library.song("so-1")->contains("starred"); });
    });
    signedIn->setForceOfflineMode(false); // a setting that the reset must take away
    domains.domain(std::string(legacyApplicationIdentifier)).setString("streamingQuality", "mp3_320");

    // The reset: no password, no account folder and no settings behind.
    reset();
    ASSERT_TRUE(current());
    EXPECT_FALSE(coordinator->resetFailed().value());
    EXPECT_EQ(current()->configuration(), std::nullopt);
    EXPECT_TRUE(signedIn->isShuttingDown());
    EXPECT_THROW(credentialStore.load(configuration().identity(), false), CredentialError);
    EXPECT_FALSE(std::filesystem::exists(accountFolder));
    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(paths.applicationSupport() / "Sorvalind"))
        left.push_back(entry.path());
    EXPECT_EQ(left, (std::vector<std::filesystem::path>{current()->folder()}));
    EXPECT_FALSE(preferences.contains("server"));
    EXPECT_FALSE(preferences.contains("forceOfflineMode"));
    EXPECT_FALSE(domains.hasPersistentDomain(std::string(legacyApplicationIdentifier)));
    // A later launch finds nothing to open but the fresh library.
    model = current();
    EXPECT_TRUE(coordinator->launch().isFinished());
    EXPECT_EQ(AppCoordinator::savedConfiguration(preferences), std::nullopt);
}

} // namespace
} // namespace sorvalind::test
