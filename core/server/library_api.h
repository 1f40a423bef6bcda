#pragma once
// What the synchronisation engine reads of the server's library: a page of
// the whole library, the playlists, one playlist with its songs. APIClient
// is the real implementation; tests may script their own.
// Calls block the calling thread (never the main actor: APIClient refuses
// such a call with OwnExecutorWaitError) and may throw APIError, URLError,
// DecodingError or CancellationError.

#include "library/playlist.h"
#include "library/search_page.h"

#include <stop_token>
#include <string>
#include <vector>

namespace sorvalind {

class LibraryAPI {
public:
    virtual ~LibraryAPI() = default;

    // One page of the library listing: `count` items of each kind from the
    // three independent offsets.
    virtual SearchPage page(int artists, int albums, int songs, int count, std::stop_token stop) = 0;
    virtual std::vector<Playlist> playlists(std::stop_token stop) = 0;
    virtual Playlist playlist(const std::string& id, std::stop_token stop) = 0;
};

} // namespace sorvalind
