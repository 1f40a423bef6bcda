#include "songs/menu_spec.h"

#include <optional>

namespace sorvalind {
namespace {

MenuSpec item(std::string title, std::function<void()> action, bool enabled = true) {
    return MenuSpec{MenuSpec::Kind::action, std::move(title), enabled, std::move(action), {}};
}

MenuSpec submenu(std::string title, std::vector<MenuSpec> items) {
    return MenuSpec{MenuSpec::Kind::submenu, std::move(title), true, {}, std::move(items)};
}

std::vector<MenuSpec> ratingItems(const std::vector<Song>& songs, const SongMenuActions& actions) {
    std::vector<MenuSpec> items;
    for (std::int64_t value = 0; value <= 5; ++value) {
        std::string title = value == 0 ? "No Rating" : std::to_string(value) + " stars";
        items.push_back(item(std::move(title), [songs, value, rate = actions.rate] {
            for (const Song& song : songs)
                rate(song, value);
        }));
    }
    return items;
}

} // namespace

std::vector<std::string> MenuSpec::titles() const {
    std::vector<std::string> titles;
    for (const MenuSpec& child : items)
        titles.push_back(child.kind == Kind::separator ? "-" : child.title);
    return titles;
}

const MenuSpec* MenuSpec::find(const std::string& wanted) const {
    for (const MenuSpec& child : items) {
        if (child.kind != Kind::separator && child.title == wanted) return &child;
        if (const MenuSpec* inner = child.find(wanted)) return inner;
    }
    return nullptr;
}

std::optional<MenuSpec> songMenu(const std::vector<Song>& songs, bool ratingOnly,
                                 const std::vector<Playlist>& playlists, const SongMenuActions& actions) {
    if (songs.empty()) return std::nullopt;
    MenuSpec menu{MenuSpec::Kind::submenu, {}, true, {}, {}};
    if (ratingOnly) {
        menu.items = ratingItems(songs, actions);
        return menu;
    }
    std::vector<MenuSpec>& items = menu.items;
    if (songs.size() == 1) {
        items.push_back(
            item("Song Details…", [song = songs.front(), show = actions.showDetails] { show(song); }));
        items.push_back(MenuSpec::separator());
    }
    items.push_back(item("Play", [songs, play = actions.play] { play(songs); }));
    items.push_back(item("Play Next", [songs, enqueue = actions.enqueue] { enqueue(songs, true); }));
    items.push_back(item("Add to Queue", [songs, enqueue = actions.enqueue] { enqueue(songs, false); }));

    std::vector<MenuSpec> share;
    for (SongShareDestination destination : allSongShareDestinations) {
        const bool enabled = actions.canShare(songs, destination);
        share.push_back(item(
            std::string(label(destination)),
            [songs, destination, act = actions.share] { act(songs, destination); }, enabled));
    }
    items.push_back(submenu("Share", std::move(share)));
    items.push_back(MenuSpec::separator());

    // The label names what happens to every song: a song already in that
    // state is left alone rather than toggled the other way.
    const bool removing = songs.front().starred.has_value();
    items.push_back(item(removing ? "Remove from Favorites" : "Add to Favorites",
                         [songs, removing, favorite = actions.favorite] {
                             for (const Song& song : songs)
                                 if (song.starred.has_value() == removing) favorite(song);
                         }));

    std::vector<MenuSpec> download;
    for (const DownloadQuality& quality : DownloadQuality::allCases())
        download.push_back(
            item(quality.label(), [songs, quality, act = actions.download] { act(songs, quality); }));
    items.push_back(submenu("Download", std::move(download)));

    std::vector<MenuSpec> playlistItems;
    playlistItems.push_back(item("New Playlist…", [songs, act = actions.newPlaylist] { act(songs); }));
    if (!playlists.empty()) {
        playlistItems.push_back(MenuSpec::separator());
        for (const Playlist& playlist : playlists)
            playlistItems.push_back(item(
                playlist.name, [songs, playlist, act = actions.addToPlaylist] { act(playlist, songs); }));
    }
    items.push_back(submenu("Add to Playlist", std::move(playlistItems)));
    items.push_back(submenu("Rating", ratingItems(songs, actions)));
    return menu;
}

} // namespace sorvalind
