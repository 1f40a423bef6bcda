#include "store_test_support.h"

#include "library/json_coding.h"

namespace sorvalind::test {
namespace {

using PlaylistsTest = StoreTest;

Playlist playlist(const std::string& id, const std::string& name, std::vector<std::string> songs) {
    Playlist playlist;
    playlist.id = id;
    playlist.name = name;
    playlist.songCount = static_cast<std::int64_t>(songs.size());
    std::vector<Song> entries;
    for (const auto& song : songs)
        entries.push_back(Song::make(song, "Entry " + song));
    playlist.entry = std::move(entries);
    return playlist;
}

std::vector<std::string> titles(const std::vector<Song>& songs) {
    std::vector<std::string> result;
    for (const auto& song : songs)
        result.push_back(song.title);
    return result;
}

TEST_F(PlaylistsTest, ReplaceReconcilesAndCountsOnlyRealChanges) {
    auto& store = open();
    const std::vector<Playlist> lists = {playlist("p1", "b list", {"s1", "s2"}),
                                         playlist("p2", "A list", {"s3"}), playlist("p3", "c list", {})};
    store.replacePlaylists(lists);
    EXPECT_EQ(store.revisions().playlists, 3);
    store.replacePlaylists(lists);
    EXPECT_EQ(store.revisions().playlists, 3);

    // p1 with two entries swapped, p2 gone, p3 unchanged.
    store.replacePlaylists({playlist("p1", "b list", {"s2", "s1"}), lists[2]});
    EXPECT_EQ(store.revisions().playlists, 5);
    EXPECT_EQ(value("SELECT count(*) FROM playlist_entries WHERE playlist_id='p2'"), "0");
    EXPECT_EQ(titles(store.playlistSongs("p1")), (std::vector<std::string>{"Entry s2", "Entry s1"}));

    // A shorter entry list with the same first entries is a change too.
    store.savePlaylist(playlist("p1", "b list", {"s2"}));
    EXPECT_EQ(store.revisions().playlists, 6);
    store.savePlaylist(playlist("p1", "b list", {"s2"}));
    EXPECT_EQ(store.revisions().playlists, 6);
    EXPECT_EQ(column("SELECT position||' '||song_id FROM playlist_entries WHERE playlist_id='p1'"),
              std::vector<std::string>{"0 s2"});
}

TEST_F(PlaylistsTest, ReadsBackHeadersByNameAndEntriesPreferTheLibrary) {
    auto& store = open();
    auto library = Song::make("s1", "Library copy");
    library.starred = "pending";
    store.ingest(SearchPage::make({}, {}, {library}), "g");
    store.replacePlaylists({playlist("p1", "beta", {"s1", "s9"}), playlist("p2", "Alpha", {})});

    auto stored = store.playlists();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].name, "Alpha");
    EXPECT_EQ(stored[1].name, "beta");
    EXPECT_EQ(stored[1].entry, std::nullopt);
    EXPECT_EQ(stored[1].songCount, 2);

    auto songs = store.playlistSongs("p1");
    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[0], library);
    EXPECT_EQ(songs[1], Song::make("s9", "Entry s9"));
    EXPECT_TRUE(store.playlistSongs("unknown").empty());
}

TEST_F(PlaylistsTest, FinishSyncReconcilesAndAFailureMovesNoCounter) {
    auto& store = open();
    store.replacePlaylists({playlist("p1", "One", {"s1"})});
    store.finishSync("g", std::vector<Playlist>{playlist("p2", "Two", {"s2"})});
    EXPECT_EQ(store.revisions().playlists, 3);
    EXPECT_EQ(column("SELECT id FROM playlists"), std::vector<std::string>{"p2"});

    raw().execute("UPDATE playlists SET json='[]'");
    EXPECT_THROW(store.replacePlaylists({}), DecodingError);
    EXPECT_EQ(store.revisions().playlists, 3);
    EXPECT_EQ(column("SELECT id FROM playlists"), std::vector<std::string>{"p2"});
}

} // namespace
} // namespace sorvalind::test
