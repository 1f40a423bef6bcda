#include "library_window/page_route.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sorvalind {

namespace {

constexpr std::string_view albumPrefix = "album:";
constexpr std::string_view artistPrefix = "artist:";
constexpr std::string_view playlistPrefix = "playlist:";
constexpr std::string_view genrePrefix = "genre:";

// The text after `prefix` when `route` starts with it (case-sensitive).
std::optional<std::string> after(const std::string& route, std::string_view prefix) {
    if (route.size() < prefix.size() || route.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    return route.substr(prefix.size());
}

template <class Item> const Item* findID(std::span<const Item> items, const std::string& id) {
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const Item& item) { return item.id == id; });
    return found == items.end() ? nullptr : &*found;
}

} // namespace

bool settingsSelected(const std::optional<std::string>& route, const std::string& query) {
    return route == std::optional<std::string>("Settings") && query.empty();
}

PageChoice choosePage(const std::optional<std::string>& route, const std::string& query,
                      const RouteLists& lists) {
    if (settingsSelected(route, query)) return {PageKind::settings, {}, false};
    if (!query.empty()) return {PageKind::search, {}, false};
    const std::string value = route.value_or("Home");
    static const std::array<std::pair<std::string_view, PageKind>, 8> fixed{{
        {"Home", PageKind::home},
        {"Albums", PageKind::albums},
        {"Artists", PageKind::artists},
        {"Genres", PageKind::genres},
        {"Downloads", PageKind::downloads},
        {"Favorites", PageKind::favorites},
        {"Server Statistics", PageKind::statistics},
        {"Songs", PageKind::songs},
    }};
    for (const auto& [name, kind] : fixed)
        if (value == name) return {kind, kind == PageKind::songs ? value : std::string(), false};
    if (auto id = after(value, artistPrefix))
        return {findID(lists.artists, *id) ? PageKind::artist : PageKind::artistSongs, *id, false};
    if (auto id = after(value, albumPrefix)) {
        const bool loaded = findID(lists.albums, *id) != nullptr;
        return {PageKind::album, *id, loaded};
    }
    if (auto id = after(value, playlistPrefix)) return {PageKind::playlist, *id, false};
    if (auto name = after(value, genrePrefix)) return {PageKind::genre, *name, false};
    return {PageKind::songs, value, false};
}

std::string pageTitle(const std::optional<std::string>& route, const std::string& query,
                      const RouteLists& lists) {
    if (!query.empty()) return "Search";
    if (!route) return "Home";
    if (auto id = after(*route, albumPrefix)) {
        const Album* album = findID(lists.albums, *id);
        return album ? album->name : "Album";
    }
    if (auto id = after(*route, artistPrefix)) {
        const Artist* artist = findID(lists.artists, *id);
        return artist ? artist->name : "Artist";
    }
    if (auto id = after(*route, playlistPrefix)) {
        const Playlist* playlist = findID(lists.playlists, *id);
        return playlist ? playlist->name : "Playlist";
    }
    if (auto name = after(*route, genrePrefix)) return *name;
    return *route;
}

SignInButton signInButton(bool credentialsMissing, bool credentialsLocked, bool unlockingCredentials) {
    if (credentialsMissing) return SignInButton::signInAgain;
    if (credentialsLocked) return unlockingCredentials ? SignInButton::unlocking : SignInButton::unlock;
    return SignInButton::none;
}

std::string signInButtonTitle(SignInButton button) {
    switch (button) {
    case SignInButton::signInAgain:
        return "Sign In Again…";
    case SignInButton::unlock:
        return "Unlock Saved Login";
    case SignInButton::unlocking:
        return "Unlocking…";
    case SignInButton::none:
        break;
    }
    return {};
}

std::span<const LibraryItem> libraryItems() {
    static constexpr std::array<LibraryItem, 7> items{{
        {"Home", "house"},
        {"Albums", "square.grid.2x2"},
        {"Artists", "person.2"},
        {"Songs", "music.note.list"},
        {"Genres", "guitars"},
        {"Favorites", "heart"},
        {"Downloads", "arrow.down.circle"},
    }};
    return items;
}

std::string playlistRoute(const std::string& id) {
    return std::string(playlistPrefix) + id;
}

std::optional<std::string> playlistID(const std::optional<std::string>& route) {
    return route ? after(*route, playlistPrefix) : std::nullopt;
}

} // namespace sorvalind
