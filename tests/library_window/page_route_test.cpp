// The page, title and settings highlight for every kind of route, with and
// without a search text, over loaded lists that name some of the routes.

#include "library_window/page_route.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvalind::test {
namespace {

template <class T> T named(std::string id, std::string name) {
    T value;
    value.id = std::move(id);
    value.name = std::move(name);
    return value;
}

struct RouteCase {
    std::optional<std::string> route;
    std::string query;
    PageChoice page;
    std::string title;
    bool settings = false;
};

class PageRoute : public ::testing::Test {
protected:
    PageRoute() {
        albums.push_back(named<Album>("al-1", "First Album"));
        artists.push_back(named<Artist>("ar-1", "An Artist"));
        playlists.push_back(named<Playlist>("pl-1", "Road Trip"));
    }
    RouteLists lists() const { return {albums, artists, playlists}; }

    std::vector<Album> albums;
    std::vector<Artist> artists;
    std::vector<Playlist> playlists;
};

TEST_F(PageRoute, EveryRouteKindHasItsPageAndTitle) {
    const std::vector<RouteCase> cases{
        {std::nullopt, "", {PageKind::home, "", false}, "Home"},
        {"Home", "", {PageKind::home, "", false}, "Home"},
        {"Albums", "", {PageKind::albums, "", false}, "Albums"},
        {"Artists", "", {PageKind::artists, "", false}, "Artists"},
        {"Songs", "", {PageKind::songs, "Songs", false}, "Songs"},
        {"Genres", "", {PageKind::genres, "", false}, "Genres"},
        {"Favorites", "", {PageKind::favorites, "", false}, "Favorites"},
        {"Downloads", "", {PageKind::downloads, "", false}, "Downloads"},
        {"Settings", "", {PageKind::settings, "", false}, "Settings", true},
        {"Server Statistics", "", {PageKind::statistics, "", false}, "Server Statistics"},
        {"album:al-1", "", {PageKind::album, "al-1", true}, "First Album"},
        {"album:al-9", "", {PageKind::album, "al-9", false}, "Album"},
        {"artist:ar-1", "", {PageKind::artist, "ar-1", false}, "An Artist"},
        {"artist:ar-9", "", {PageKind::artistSongs, "ar-9", false}, "Artist"},
        {"playlist:pl-1", "", {PageKind::playlist, "pl-1", false}, "Road Trip"},
        {"playlist:pl-9", "", {PageKind::playlist, "pl-9", false}, "Playlist"},
        {"genre:Jazz & Blues", "", {PageKind::genre, "Jazz & Blues", false}, "Jazz & Blues"},
        {"genre:", "", {PageKind::genre, "", false}, ""},
        // Prefixes match case-sensitively; anything else is a song list titled by the route.
        {"Album:al-1", "", {PageKind::songs, "Album:al-1", false}, "Album:al-1"},
        {"Somewhere", "", {PageKind::songs, "Somewhere", false}, "Somewhere"},
        // "Search" without a search text has no results to show.
        {"Search", "", {PageKind::songs, "Search", false}, "Search"},
        // A search text wins over every route, settings included.
        {"Settings", "jazz", {PageKind::search, "", false}, "Search"},
        {"album:al-1", "jazz", {PageKind::search, "", false}, "Search"},
        {std::nullopt, "jazz", {PageKind::search, "", false}, "Search"},
    };
    for (const RouteCase& c : cases) {
        const std::string label = c.route.value_or("(none)") + " / " + c.query;
        EXPECT_EQ(choosePage(c.route, c.query, lists()), c.page) << label;
        EXPECT_EQ(pageTitle(c.route, c.query, lists()), c.title) << label;
        EXPECT_EQ(settingsSelected(c.route, c.query), c.settings) << label;
    }
}

TEST_F(PageRoute, AnArtistLoadedLaterTurnsItsSongListIntoItsPage) {
    EXPECT_EQ(choosePage("artist:ar-2", "", lists()).kind, PageKind::artistSongs);
    artists.push_back(named<Artist>("ar-2", "Second"));
    EXPECT_EQ(choosePage("artist:ar-2", "", lists()).kind, PageKind::artist);
    EXPECT_EQ(pageTitle("artist:ar-2", "", lists()), "Second");
}

TEST(SignInButtons, AMissingPasswordWinsOverALockedOne) {
    struct Case {
        bool missing, locked, unlocking;
        SignInButton button;
        std::string title;
    };
    const std::vector<Case> cases{
        {false, false, false, SignInButton::none, ""},
        {false, false, true, SignInButton::none, ""},
        {true, false, false, SignInButton::signInAgain, "Sign In Again…"},
        {true, true, true, SignInButton::signInAgain, "Sign In Again…"},
        {false, true, false, SignInButton::unlock, "Unlock Saved Login"},
        {false, true, true, SignInButton::unlocking, "Unlocking…"},
    };
    for (const Case& c : cases) {
        const SignInButton button = signInButton(c.missing, c.locked, c.unlocking);
        EXPECT_EQ(button, c.button) << c.missing << c.locked << c.unlocking;
        EXPECT_EQ(signInButtonTitle(button), c.title);
    }
}

TEST(SidebarItems, LibraryItemsAreTheSevenSidebarRoutesInOrder) {
    std::vector<std::string> titles;
    for (const LibraryItem& item : libraryItems())
        titles.emplace_back(item.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Home", "Albums", "Artists", "Songs", "Genres", "Favorites",
                                                "Downloads"}));
    EXPECT_EQ(playlistID(playlistRoute("pl-7")), "pl-7");
    EXPECT_EQ(playlistID(std::optional<std::string>("album:pl-7")), std::nullopt);
    EXPECT_EQ(playlistID(std::nullopt), std::nullopt);
}

} // namespace
} // namespace sorvalind::test
