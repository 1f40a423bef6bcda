// The model over the real playback controller (offline audio output) and the
// real cover-art cache (the fake decoder), against the loopback fake server.

#include "app_model_fixture.h"
#include "fake_image_decoder.h"
#include "loopback/audio/audio_fixtures.h"
#include "offline_render.h"

#include "audio/offline_output.h"
#include "errors/database_error.h"
#include "http/network_security.h"
#include "model/cached_artwork.h"
#include "model/controller_playback.h"
#include "support/recording_now_playing.h"

#include <fstream>

namespace sorvalind::test {
namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string text(const ArtworkBytes& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

class Wiring : public AppModelFixture {
protected:
    RecordingNowPlayingCenter nowPlaying;
    RecordingRemoteCommandCenter commands;
    std::shared_ptr<FakeImageDecoder> decoder = std::make_shared<FakeImageDecoder>();
    const std::string cover = FakeImageDecoder::encode(20, 10, {10, 20, 30, 255});
    std::string flac;

    Wiring() {
        useServer({.library = {.artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 2, .playlists = 0}});
        const fixtures::Tone tone{48000, 2, 16, 48000};
        flac = readAll(fixtures::flac(fixtures::programFolder("wiring"), "wired", tone));
        for (const char* id : {"so-1", "so-2"})
            server->setMedia(id,
                             loopback::FakeMedia{.original = flac, .contentType = "audio/flac", .mp3 = {}});
        server->setCoverArt("al-1", cover);
    }

    void makeWired() {
        AppEnvironment wired = environment();
        wired.nowPlaying = &nowPlaying;
        wired.remoteCommands = &commands;
        wired.makePlayback = offlinePlaybackFactory(main, workers, nowPlaying, commands);
        wired.makeArtwork = makeCachedArtworkFactory(main, workers, clock.steady(), decoder);
        make(std::move(wired), configuration());
    }

    void playUntil(const std::function<bool()>& done) { ASSERT_TRUE(renderUntil(main, *model, done)); }

    std::optional<Song> storedSong(const std::string& id) {
        return onStore([id](LibraryRepository& repository) { return repository.song(id); });
    }

    PlaybackController& controller() { return *model->playback().controller(); }
};

TEST_F(Wiring, PlaysASongFromAListWithItsCoverAndShutsDownBeforeTheStoreCloses) {
    makeWired();
    start();
    const auto first = storedSong("so-1");
    const auto second = storedSong("so-2");
    ASSERT_TRUE(first && second);
    // The generated library's sizes are made up; the served file is real.
    std::vector<Song> list{*first, *second};
    for (Song& song : list) {
        song.size = std::nullopt;
        song.duration = 1.0;
    }

    model->playback().play(list, std::string("so-1"), std::nullopt, std::nullopt);
    playUntil([&] { return nowPlaying.latest() && nowPlaying.latest()->artwork; });
    EXPECT_EQ(controller().error().value(), std::nullopt);
    ASSERT_TRUE(controller().current());
    EXPECT_EQ(controller().current()->id, "so-1");
    EXPECT_EQ(nowPlaying.latest()->title, first->title);
    // The display's cover is the server's bytes, through the model's cache.
    EXPECT_EQ(text(nowPlaying.latest()->artwork), cover);
    EXPECT_EQ(requests("getCoverArt"), 1u);
    EXPECT_GT(commands.targetCount(), 0u);

    PlaybackController& playing = controller();
    shutdown();
    // The controller let go of the desktop before the store closed: its last
    // save found the store open (no error) and the queue is emptied.
    EXPECT_EQ(playing.error().value(), std::nullopt);
    EXPECT_FALSE(playing.current());
    EXPECT_EQ(commands.targetCount(), 0u);
    EXPECT_THROW(onStore([](LibraryRepository& repository) { return repository.songCount(); }),
                 DatabaseError);
}

TEST_F(Wiring, AnEditedSongReachesThePlayingQueue) {
    makeWired();
    start();
    const auto first = storedSong("so-1");
    const auto second = storedSong("so-2");
    ASSERT_TRUE(first && second);
    model->playback().play({*first, *second}, std::string("so-1"), std::nullopt, std::nullopt);
    ASSERT_TRUE(controller().current());

    // The playing song and one still to come are edited: the queue shows
    // the new copies without being played again.
    model->rate(*first, 4);
    model->favorite(*second);
    await(model->metadataEditTask());
    main.runUntilIdle();
    EXPECT_EQ(controller().current()->userRating, 4);
    const QueueState queue = controller().queue().value();
    ASSERT_EQ(queue.context.size(), 1u);
    EXPECT_EQ(queue.context.front().song.id, "so-2");
    EXPECT_TRUE(queue.context.front().song.starred);
}

TEST_F(Wiring, TheBackfillFillsTheCacheThatPlaybackReadsFrom) {
    makeWired();
    std::filesystem::create_directories(model->folder() / "Audio");
    DownloadRecord record;
    record.song = Song::make("so-1", "Song 1", std::nullopt, "al-1");
    record.song.coverArt = "al-1";
    record.path = (model->folder() / "Audio" / "so-1.flac").string();
    std::ofstream(record.path) << "audio";
    record.bytes = 5;
    onStore([record](LibraryRepository& repository) { repository.saveDownload(record); });
    start();
    drive([&] { return requests("getCoverArt") == 1; });
    // The cover is on disk for offline use.
    drive([&] {
        return std::filesystem::exists(model->folder() / "Artwork") &&
               !std::filesystem::is_empty(model->folder() / "Artwork");
    });

    // Playback's provider answers from the cache: no second download, and
    // offline it still answers from disk or memory.
    model->setForceOfflineMode(true);
    std::optional<ArtworkBytes> shown;
    auto& cached = dynamic_cast<CachedArtwork&>(model->artwork());
    cached.data("al-1", nullptr, [&](ArtworkBytes bytes) { shown = std::move(bytes); });
    drive([&] { return shown.has_value(); });
    EXPECT_EQ(text(*shown), cover);
    EXPECT_EQ(requests("getCoverArt"), 1u);
}

} // namespace
} // namespace sorvalind::test
