// The song list's own edits: the header count, the playlist a page shows,
// "Remove" keeping the playlist's order whatever the sort, and moves that
// refuse stale or out-of-range positions.

#include "song_rows_fixture.h"

#include "songs/song_list_edits.h"
#include "support/locale_environment.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

std::vector<std::string> ids(const std::vector<Song>& songs) {
    std::vector<std::string> out;
    for (const Song& s : songs)
        out.push_back(s.id);
    return out;
}

TEST(SongListEdits, CountTextGroupsForTheLocale) {
    LocaleEnvironment environment;
    LocaleEnvironment::useLang("en_US.UTF-8");
    EXPECT_EQ(songCountText(0), "0 songs");
    EXPECT_EQ(songCountText(1234), "1,234 songs");
    EXPECT_EQ(songCountText(100000), "100,000 songs");
    LocaleEnvironment::useLang("de_DE.UTF-8");
    EXPECT_EQ(songCountText(1234), "1.234 songs");
}

TEST(SongListEdits, ThePlaylistOfTheRoute) {
    Playlist mix;
    mix.id = "p2";
    mix.name = "Mix";
    Playlist other;
    other.id = "p1";
    other.name = "Other";
    const std::vector<Playlist> playlists = {other, mix};
    EXPECT_EQ(shownPlaylist(std::string("playlist:p2"), playlists)->name, "Mix");
    EXPECT_FALSE(shownPlaylist(std::string("playlist:p3"), playlists));
    EXPECT_FALSE(shownPlaylist(std::nullopt, playlists));
    EXPECT_FALSE(shownPlaylist(std::string("album:p2"), playlists));
    EXPECT_TRUE(isPlaylistRoute(std::string("playlist:x")));
    EXPECT_FALSE(isPlaylistRoute(std::string("Songs")));
    EXPECT_FALSE(isPlaylistRoute(std::nullopt));
}

TEST(SongListEdits, RemoveKeepsThePlaylistOrderUnderAnySort) {
    LocaleEnvironment environment;
    LocaleEnvironment::useLang("en_US.UTF-8");
    const auto list = listOf({song("c", "Cee"), song("a", "Ay"), song("b", "Bee"), song("a", "Ay")});
    const PreparedSongRows byTitle = PreparedSongRows::make(list, comparators(SongTableSort::title), {});
    EXPECT_EQ(ids(songsAfterRemoving(byTitle, {"2:b"})), (std::vector<std::string>{"c", "a", "a"}));
    EXPECT_EQ(ids(songsAfterRemoving(byTitle, {"1:a"})), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_TRUE(songsAfterRemoving(byTitle, {"0:c", "1:a", "2:b", "3:a"}).empty());
    EXPECT_EQ(ids(songsAfterRemoving(byTitle, {})), (std::vector<std::string>{"c", "a", "b", "a"}));
}

TEST(SongListEdits, MovesInsertBeforeTheTargetAndRefuseStalePositions) {
    std::vector<Song> list;
    for (const char* id : {"s0", "s1", "s2", "s3", "s4", "s5"})
        list.push_back(song(id, id));
    struct Case {
        std::int64_t from, to;
        const char* dragged;
        std::optional<std::vector<std::string>> expected;
    };
    const Case cases[] = {
        {2, 5, "s2", std::vector<std::string>{"s0", "s1", "s3", "s4", "s2", "s5"}},
        {5, 0, "s5", std::vector<std::string>{"s5", "s0", "s1", "s2", "s3", "s4"}},
        {0, 6, "s0", std::vector<std::string>{"s1", "s2", "s3", "s4", "s5", "s0"}},
        {3, 3, "s3", std::vector<std::string>{"s0", "s1", "s2", "s3", "s4", "s5"}},
        {6, 0, "s5", std::nullopt},
        {-1, 0, "s0", std::nullopt},
        {0, 7, "s0", std::nullopt},
        {2, 5, "s3", std::nullopt}, // the list changed under the drag
    };
    for (const Case& c : cases) {
        const auto moved = reorderedSongs(list, c.from, c.to, c.dragged);
        ASSERT_EQ(moved.has_value(), c.expected.has_value()) << c.from << "->" << c.to;
        if (moved) {
            EXPECT_EQ(ids(*moved), *c.expected) << c.from << "->" << c.to;
        }
    }
}

} // namespace
} // namespace sorvalind::test
