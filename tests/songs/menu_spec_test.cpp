// The song menus as data: which items show for one song or several, the
// share items' enabling, the playlists, the rating items, and the favourite
// item acting only on songs whose state differs from what it names.

#include "song_rows_fixture.h"

#include "songs/menu_spec.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

struct Recorder {
    std::vector<std::string> calls;
    bool offline = false;

    SongMenuActions actions() {
        SongMenuActions a;
        auto joined = [](const std::vector<Song>& songs) {
            std::string out;
            for (const Song& s : songs)
                out += (out.empty() ? "" : ",") + s.id;
            return out;
        };
        a.showDetails = [this](const Song& s) { calls.push_back("details " + s.id); };
        a.play = [this, joined](const std::vector<Song>& s) { calls.push_back("play " + joined(s)); };
        a.enqueue = [this, joined](const std::vector<Song>& s, bool next) {
            calls.push_back((next ? "next " : "queue ") + joined(s));
        };
        a.canShare = [this](const std::vector<Song>& s, SongShareDestination d) {
            return !offline && (d == SongShareDestination::navidrome || s.size() == 1);
        };
        a.share = [this, joined](const std::vector<Song>& s, SongShareDestination d) {
            calls.push_back(std::string(rawValue(d)) + " " + joined(s));
        };
        a.favorite = [this](const Song& s) { calls.push_back("favorite " + s.id); };
        a.download = [this, joined](const std::vector<Song>& s, const DownloadQuality& q) {
            calls.push_back(std::string(q.rawValue()) + " " + joined(s));
        };
        a.newPlaylist = [this, joined](const std::vector<Song>& s) { calls.push_back("new " + joined(s)); };
        a.addToPlaylist = [this, joined](const Playlist& p, const std::vector<Song>& s) {
            calls.push_back("add " + p.name + " " + joined(s));
        };
        a.rate = [this](const Song& s, std::int64_t v) {
            calls.push_back("rate " + s.id + " " + std::to_string(v));
        };
        return a;
    }
};

Playlist playlist(std::string id, std::string name) {
    Playlist p;
    p.id = std::move(id);
    p.name = std::move(name);
    return p;
}

Song starred(std::string id) {
    Song s = song(id, id);
    s.starred = "2024-01-01T00:00:00Z";
    return s;
}

TEST(MenuSpec, OneSongAndSeveralSongs) {
    Recorder recorder;
    const auto one = songMenu({song("a", "A")}, false, {}, recorder.actions());
    ASSERT_TRUE(one);
    EXPECT_EQ(one->titles(),
              (std::vector<std::string>{"Song Details…", "-", "Play", "Play Next", "Add to Queue", "Share",
                                        "-", "Add to Favorites", "Download", "Add to Playlist", "Rating"}));
    EXPECT_EQ(one->find("Share")->titles(),
              (std::vector<std::string>{"Navidrome Link", "Apple Music Link", "Songlink"}));
    EXPECT_EQ(
        one->find("Download")->titles(),
        (std::vector<std::string>{"Original quality", "MP3 · 192 kbps", "MP3 · 256 kbps", "MP3 · 320 kbps"}));
    EXPECT_EQ(one->find("Add to Playlist")->titles(), std::vector<std::string>{"New Playlist…"});
    EXPECT_EQ(one->find("Rating")->titles(),
              (std::vector<std::string>{"No Rating", "1 stars", "2 stars", "3 stars", "4 stars", "5 stars"}));

    const auto several =
        songMenu({song("a", "A"), song("b", "B")}, false,
                 {playlist("p1", "Rock & Roll"), playlist("p2", "Calm")}, recorder.actions());
    ASSERT_TRUE(several);
    EXPECT_EQ(several->items.front().title, "Play");
    EXPECT_EQ(several->find("Add to Playlist")->titles(),
              (std::vector<std::string>{"New Playlist…", "-", "Rock & Roll", "Calm"}));
    for (const char* title : {"Song Details…"})
        EXPECT_EQ(several->find(title), nullptr);

    // Every action acts on the songs the menu was built for.
    for (const char* title : {"Play", "Play Next", "Add to Queue", "Navidrome Link", "MP3 · 320 kbps",
                              "New Playlist…", "Rock & Roll", "3 stars", "No Rating"})
        several->find(title)->action();
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"play a,b", "next a,b", "queue a,b", "navidrome a,b",
                                                        "mp3_320 a,b", "new a,b", "add Rock & Roll a,b",
                                                        "rate a 3", "rate b 3", "rate a 0", "rate b 0"}));
    recorder.calls.clear();
    one->find("Song Details…")->action();
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"details a"});

    EXPECT_FALSE(songMenu({}, false, {}, recorder.actions()));
    EXPECT_FALSE(songMenu({}, true, {}, recorder.actions()));
}

TEST(MenuSpec, ShareEnablingOnlineAndOffline) {
    struct Case {
        bool offline;
        std::size_t songs;
        std::vector<bool> enabled;
    };
    const Case cases[] = {
        {false, 1, {true, true, true}},
        {false, 2, {true, false, false}},
        {true, 1, {false, false, false}},
        {true, 2, {false, false, false}},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        recorder.offline = c.offline;
        std::vector<Song> songs;
        for (std::size_t i = 0; i < c.songs; ++i)
            songs.push_back(song("s" + std::to_string(i), "S"));
        const auto menu = songMenu(songs, false, {}, recorder.actions());
        std::vector<bool> enabled;
        for (const MenuSpec& item : menu->find("Share")->items)
            enabled.push_back(item.enabled);
        EXPECT_EQ(enabled, c.enabled) << "offline " << c.offline << ", songs " << c.songs;
    }
}

TEST(MenuSpec, FavouriteItemActsOnlyOnSongsItWouldChange) {
    struct Case {
        std::vector<Song> songs;
        const char* title;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {{starred("a"), song("b", "b")}, "Remove from Favorites", {"favorite a"}},
        {{song("b", "b"), starred("a"), song("c", "c")}, "Add to Favorites", {"favorite b", "favorite c"}},
        {{starred("a"), starred("b")}, "Remove from Favorites", {"favorite a", "favorite b"}},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        const auto menu = songMenu(c.songs, false, {}, recorder.actions());
        const MenuSpec* item = menu->find(c.title);
        ASSERT_NE(item, nullptr) << c.title;
        item->action();
        EXPECT_EQ(recorder.calls, c.calls) << c.title;
    }
}

TEST(MenuSpec, RatingOnlyMenuRatesItsSong) {
    Recorder recorder;
    const auto menu = songMenu({song("a", "A")}, true, {playlist("p", "P")}, recorder.actions());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->titles(),
              (std::vector<std::string>{"No Rating", "1 stars", "2 stars", "3 stars", "4 stars", "5 stars"}));
    menu->find("5 stars")->action();
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"rate a 5"});
}

} // namespace
} // namespace sorvalind::test
