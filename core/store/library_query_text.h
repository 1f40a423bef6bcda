#pragma once
// The SQL of the library's list queries with their bound values, built from
// what the caller asks for. Kept apart from the connection so the statements
// can be read, tested and measured on their own.
// Any thread; pure; throws only std::bad_alloc.

#include "library/album_sort.h"
#include "library/song_sort.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct QueryText {
    std::string sql;
    // One per "?" in order; nullopt binds NULL.
    std::vector<std::optional<std::string>> bindings;
};

// The song list. `searchText` is what the user typed; its full-text form
// (ftsQuery) is the match. `genreRawNames` are the raw genre texts of the
// chosen label (nullopt: no genre filter); an empty list is the caller's to
// refuse, since it matches nothing.
QueryText songsQueryText(std::string_view searchText, SongSort sort, bool favorite,
                         const std::optional<std::string>& albumID,
                         const std::optional<std::string>& artistID,
                         const std::optional<std::vector<std::string>>& genreRawNames);

// The album list: relevance first with a search text, then the sort.
QueryText albumsQueryText(std::string_view searchText, AlbumSort sort, bool favorite,
                          const std::optional<std::string>& artistID);

// The artist list with every artist's album count written into its JSON.
// Without a search text the counts are taken over the whole library in one
// pass. With one, only the matched artists' albums are counted: the same
// rows in the same order as counting everything and then filtering, without
// the whole-library pass.
QueryText artistsQueryText(std::string_view searchText);

// The same list as artistsQueryText, counting the whole library before
// filtering, as the statement was first written; kept as the reference the
// matched-only statement is checked and measured against.
QueryText artistsQueryTextCountingAll(std::string_view searchText);

} // namespace sorvalind
