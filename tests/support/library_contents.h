#pragma once
// Everything a store shows of the library, as one text: two stores hold the
// same library exactly when their texts are equal. The store's own executor.

#include "store/library_repository.h"

#include <string>

namespace sorvalind::test {

inline std::string libraryContents(LibraryRepository& repository) {
    std::string text;
    for (const Song& song : repository.songs("", SongSort::title))
        text += song.encode().dump() + '\n';
    for (const Album& album : repository.albums("", AlbumSort::title))
        text += album.encode().dump() + '\n';
    for (const Artist& artist : repository.artists(""))
        text += artist.encode().dump() + '\n';
    return text;
}

} // namespace sorvalind::test
