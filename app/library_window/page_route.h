#pragma once
// Which page the library window shows, its title and the sidebar's footer,
// as pure functions of the model's route, search text and loaded lists. The
// settings page needs an empty search text; any other route gives way to
// the search results while the search text is not empty; a route outside
// the sidebar's set (or naming an album, artist or playlist that is not
// loaded) still shows a page, with a generic title.
//
// Pure values and functions; any thread.

#include "library/album.h"
#include "library/artist.h"
#include "library/playlist.h"

#include <optional>
#include <span>
#include <string>

namespace sorvalind {

enum class PageKind {
    settings,
    search,
    home,
    albums,
    artists,
    genres,
    downloads,
    favorites,
    statistics,
    artist,      // an artist among the loaded ones
    artistSongs, // an artist route whose artist is not loaded: its song list
    album,
    playlist,
    genre,
    songs, // "Songs", and any route outside the table
};

// A page and its inputs. A page of the same kind takes new inputs in place.
struct PageChoice {
    PageKind kind = PageKind::home;
    // The identifier after the route's prefix (album, artist, playlist), the
    // genre name, or the route itself for the song list.
    std::string input;
    // Album pages: the album is loaded, so its header shows.
    bool albumHeader = false;

    friend bool operator==(const PageChoice&, const PageChoice&) = default;
};

struct RouteLists {
    std::span<const Album> albums;
    std::span<const Artist> artists;
    std::span<const Playlist> playlists;
};

bool settingsSelected(const std::optional<std::string>& route, const std::string& query);
PageChoice choosePage(const std::optional<std::string>& route, const std::string& query,
                      const RouteLists& lists);
std::string pageTitle(const std::optional<std::string>& route, const std::string& query,
                      const RouteLists& lists);

// The footer's one sign-in button; a missing password wins over a locked one.
enum class SignInButton { none, signInAgain, unlock, unlocking };
SignInButton signInButton(bool credentialsMissing, bool credentialsLocked, bool unlockingCredentials);
// Its title (empty for none).
std::string signInButtonTitle(SignInButton button);

// The sidebar's library items, in order; each title is also its route.
struct LibraryItem {
    const char* title;
    const char* symbol;
};
std::span<const LibraryItem> libraryItems();

// "playlist:" followed by the id, and back (none for another route).
std::string playlistRoute(const std::string& id);
std::optional<std::string> playlistID(const std::optional<std::string>& route);

} // namespace sorvalind
