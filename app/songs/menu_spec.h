#pragma once
// A song menu as plain data: titles, enabling, separators, submenus and the
// action each item runs. The table builds one for every right click or
// rating click and shows it; tests read it. The menu holds the songs it acts
// on, fixed when it is built.
//
// Built and used on the GUI thread; the actions call the model there.

#include "library/playlist.h"
#include "library/song.h"
#include "model/song_share_destination.h"

#include "library/download_quality.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sorvalind {

struct MenuSpec {
    enum class Kind { action, separator, submenu };
    Kind kind = Kind::action;
    // Plain text: an "&" is an ampersand, not a mnemonic.
    std::string title;
    bool enabled = true;
    std::function<void()> action;
    std::vector<MenuSpec> items;

    static MenuSpec separator() { return MenuSpec{Kind::separator, {}, true, {}, {}}; }

    // The titles of the items, "-" for a separator (for reading in tests and logs).
    std::vector<std::string> titles() const;
    // The first item with this title, searched depth first; null when none.
    const MenuSpec* find(const std::string& title) const;
};

// What a song menu acts through: the model's and the player's operations.
struct SongMenuActions {
    std::function<void(const Song&)> showDetails;
    std::function<void(const std::vector<Song>&)> play;
    std::function<void(const std::vector<Song>&, bool next)> enqueue;
    std::function<bool(const std::vector<Song>&, SongShareDestination)> canShare;
    std::function<void(const std::vector<Song>&, SongShareDestination)> share;
    std::function<void(const Song&)> favorite;
    std::function<void(const std::vector<Song>&, const DownloadQuality&)> download;
    std::function<void(const std::vector<Song>&)> newPlaylist;
    std::function<void(const Playlist&, const std::vector<Song>&)> addToPlaylist;
    std::function<void(const Song&, std::int64_t rating)> rate;
};

// The context menu for `songs` (none when empty), or with `ratingOnly` the
// six rating items alone. The share items' enabling is asked now.
std::optional<MenuSpec> songMenu(const std::vector<Song>& songs, bool ratingOnly,
                                 const std::vector<Playlist>& playlists, const SongMenuActions& actions);

} // namespace sorvalind
