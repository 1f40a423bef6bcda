#include "songs/song_list_edits.h"

#include "platform/text/locale_number.h"

#include <algorithm>

namespace sorvalind {

std::string songCountText(std::size_t count) {
    return text::decimalText(static_cast<double>(count), 0, 0, text::userLocaleId()) + " songs";
}

bool isPlaylistRoute(const std::optional<std::string>& route) {
    return route && route->starts_with("playlist:");
}

std::optional<Playlist> shownPlaylist(const std::optional<std::string>& route,
                                      const std::vector<Playlist>& playlists) {
    if (!route) return std::nullopt;
    for (const Playlist& playlist : playlists)
        if (*route == "playlist:" + playlist.id) return playlist;
    return std::nullopt;
}

std::vector<Song> songsAfterRemoving(const PreparedSongRows& rows, const std::set<std::string>& selection) {
    std::vector<const SongTableRow*> kept;
    for (const SongTableRow& row : rows.rows())
        if (!selection.contains(row.id())) kept.push_back(&row);
    std::sort(kept.begin(), kept.end(),
              [](const SongTableRow* a, const SongTableRow* b) { return a->index < b->index; });
    std::vector<Song> songs;
    songs.reserve(kept.size());
    for (const SongTableRow* row : kept)
        songs.push_back(*row->song);
    return songs;
}

std::optional<std::vector<Song>> reorderedSongs(const std::vector<Song>& list, std::int64_t from,
                                                std::int64_t to, std::string_view draggedSongID) {
    const auto count = static_cast<std::int64_t>(list.size());
    if (from < 0 || from >= count || to < 0 || to > count) return std::nullopt;
    if (list[static_cast<std::size_t>(from)].id != draggedSongID) return std::nullopt;
    std::vector<Song> moved = list;
    Song song = std::move(moved[static_cast<std::size_t>(from)]);
    moved.erase(moved.begin() + from);
    const std::int64_t at = from < to ? to - 1 : to;
    moved.insert(moved.begin() + at, std::move(song));
    return moved;
}

} // namespace sorvalind
