#pragma once
// Small song lists for the song list's tests: songs made from a title and
// the few fields a case sets, and the display order of prepared rows read
// back as titles or row identifiers.

#include "songs/prepared_song_rows.h"

#include <memory>
#include <string>
#include <vector>

namespace sorvalind::test {

inline Song song(std::string id, std::string title) {
    return Song::make(std::move(id), std::move(title));
}

inline PreparedSongRows::SongList listOf(std::vector<Song> songs) {
    return std::make_shared<const std::vector<Song>>(std::move(songs));
}

inline std::vector<std::string> titles(const PreparedSongRows& rows) {
    std::vector<std::string> out;
    for (const SongTableRow& row : rows.rows())
        out.push_back(row.title());
    return out;
}

inline std::vector<std::string> rowIDs(const PreparedSongRows& rows) {
    std::vector<std::string> out;
    for (const SongTableRow& row : rows.rows())
        out.push_back(row.id());
    return out;
}

} // namespace sorvalind::test
