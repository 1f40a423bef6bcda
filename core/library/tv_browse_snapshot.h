#pragma once
// One screen of the remote-control front end: a flat list of focusable rows,
// built from library records for a tab or from a list of tracks, and the
// answer to which row lies a number of steps away from another.
//
// Plain value; any thread. The builders run on the calling task and throw
// CancellationError once its stop token is set; everything else throws only
// std::bad_alloc.

#include "library/album.h"
#include "library/artist.h"
#include "library/playlist.h"
#include "library/song.h"
#include "library/song_sort.h"
#include "library/tv_browse_item.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sorvalind {

// The heading shown for each song order on the front end's sort row.
std::string tvTitle(SongSort sort);

class TVBrowseSnapshot {
public:
    // No rows: the single placeholder identifier "empty".
    TVBrowseSnapshot();

    // The rows of one tab of the front end, chosen by the exact tab text.
    static TVBrowseSnapshot library(std::string_view tab, const std::vector<Album>& albums,
                                    const std::vector<Artist>& artists, const std::vector<Song>& songs,
                                    const std::vector<Playlist>& playlists, std::optional<SongSort> songSort,
                                    const std::vector<std::string>& genres, std::stop_token cancel = {});

    // The rows of a track list, optionally led by its action rows: "Play all"
    // with "Shuffle" stacked below it, or "Play all" beside "Add to queue".
    static TVBrowseSnapshot tracks(const std::vector<Song>& songs, std::string_view title,
                                   bool includeActions, bool stackActions, std::stop_token cancel = {});

    // A fresh random UUID per snapshot, so a front end can tell two apart.
    const std::string& generation() const noexcept { return generation_; }
    const std::vector<TVBrowseItem>& items() const noexcept { return items_; }
    // The row identifiers in order; the single "empty" when there are no rows.
    const std::vector<std::string>& contentIDs() const noexcept { return contentIDs_; }

    // The row `offset` steps away from the given one, held at the first and
    // last rows; none for an identifier that is not in this snapshot.
    std::optional<std::string> neighbor(std::string_view id, std::int64_t offset) const;

private:
    explicit TVBrowseSnapshot(std::vector<TVBrowseItem> items, const std::stop_token& cancel);

    std::string generation_;
    std::vector<TVBrowseItem> items_;
    std::vector<std::string> contentIDs_;
    // Keyed by the composed (NFC) form, so canonically equal identifiers meet;
    // a repeated identifier maps to its last position.
    std::unordered_map<std::string, std::size_t> indexByID;
};

} // namespace sorvalind
