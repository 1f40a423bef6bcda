#pragma once
// What the song list's own edits work out before they reach the model: the
// header's count, the playlist a page shows, the list after "Remove" and
// after a move. Pure functions; any thread.

#include "songs/prepared_song_rows.h"

#include "library/playlist.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

// "1,234 songs" in the user's locale.
std::string songCountText(std::size_t count);

// The playlist whose page the route shows ("playlist:<id>"), none otherwise.
std::optional<Playlist> shownPlaylist(const std::optional<std::string>& route,
                                      const std::vector<Playlist>& playlists);
bool isPlaylistRoute(const std::optional<std::string>& route);

// The songs of every row not selected, in the list's own order.
std::vector<Song> songsAfterRemoving(const PreparedSongRows& rows, const std::set<std::string>& selection);

// The list with the song at `from` moved before the insertion point `to`
// (counted before the move; the count means the end); none when either is
// out of range or the song at `from` is no longer `draggedSongID`.
std::optional<std::vector<Song>> reorderedSongs(const std::vector<Song>& list, std::int64_t from,
                                                std::int64_t to, std::string_view draggedSongID);

} // namespace sorvalind
