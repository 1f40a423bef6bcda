// Playing an album: its stored songs in disc and track order, nothing for
// an album without songs, and a failed read in the model's error.

#include "library_window_fixture.h"

#include "library_window/play_album.h"

#include "playback/playback_controller.h"

namespace sorvalind::test {
namespace {

using PlayAlbum = LibraryWindowFixture;

std::vector<std::string> queuedIDs(const QueueState& queue) {
    std::vector<std::string> ids;
    if (queue.current) ids.push_back(queue.current->song.id);
    for (const QueueEntry& entry : queue.context)
        ids.push_back(entry.song.id);
    return ids;
}

TEST_F(PlayAlbum, PlaysTheAlbumsSongsInDiscAndTrackOrder) {
    show();
    const auto albums = model->albums().value();
    ASSERT_FALSE(albums->empty());
    const Album album = albums->back();
    std::vector<Song> stored;
    ASSERT_TRUE(waitUntil([&] {
        model->setRoute("album:" + album.id);
        return loaded("album:" + album.id);
    }));
    for (const Song& song : *model->songs().value())
        stored.push_back(song);
    ASSERT_FALSE(stored.empty());

    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    playAlbum(model, album);
    ASSERT_TRUE(waitUntil([&] { return controller->queue().value().current.has_value(); }));
    std::vector<std::string> expected;
    for (const Song& song : stored)
        expected.push_back(song.id);
    EXPECT_EQ(queuedIDs(controller->queue().value()), expected);

    // No songs: nothing changes.
    Album empty;
    empty.id = "al-none";
    empty.name = "Nothing";
    playAlbum(model, empty);
    settle();
    EXPECT_EQ(queuedIDs(controller->queue().value()), expected);
    EXPECT_EQ(model->error().value(), std::nullopt);

    // A closed store: its failure shows and the queue stays.
    LibraryRepository& repository = model->repository();
    repository.executor().post([&repository] { repository.close(); });
    playAlbum(model, album);
    ASSERT_TRUE(waitUntil([&] { return model->error().value().has_value(); }));
    EXPECT_EQ(queuedIDs(controller->queue().value()), expected);
}

} // namespace
} // namespace sorvalind::test
