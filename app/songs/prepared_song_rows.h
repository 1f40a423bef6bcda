#pragma once
// A song list's rows in display order with their lookups: a row's identifier
// to its display position, and a song's identifier to the positions of every
// row that shows it. The rows point into the list they were made from, which
// this value keeps alive, and into the edited songs it keeps itself.
//
// Move-only; made on a worker, then owned by the GUI thread (one thread at a
// time).

#include "songs/song_table_row.h"
#include "songs/song_table_sort.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

class PreparedSongRows {
public:
    using SongList = std::shared_ptr<const std::vector<Song>>;

    PreparedSongRows() = default;
    PreparedSongRows(PreparedSongRows&&) noexcept = default;
    PreparedSongRows& operator=(PreparedSongRows&&) noexcept = default;
    PreparedSongRows(const PreparedSongRows&) = delete;
    PreparedSongRows& operator=(const PreparedSongRows&) = delete;

    // One row per song, sorted. Throws CancellationError at its checks.
    static PreparedSongRows make(SongList songs, const SongSortOrder& order, std::stop_token stop);
    // The same rows (identities kept) sorted again.
    static PreparedSongRows make(PreparedSongRows rows, const SongSortOrder& order, std::stop_token stop);

    const std::vector<SongTableRow>& rows() const noexcept { return rows_; }
    std::size_t size() const noexcept { return rows_.size(); }

    // The display position of a row identifier ("<index>:<song id>").
    std::optional<std::size_t> rowByID(std::string_view id) const;
    // Every display position of a song, ascending; empty when it has none.
    std::vector<std::uint32_t> rowsBySongID(std::string_view songID) const;

    // Puts an edited song into the rows that show it and differ from it;
    // returns those display positions.
    std::set<std::size_t> update(const Song& song);

    // Points every row at the same position of `songs`, a list that holds the
    // same songs in the same places (a patched copy); rows differ only where
    // edits differ.
    void rebase(SongList songs);

    // The songs of the given row identifiers, in display order; unknown
    // identifiers are ignored.
    std::vector<Song> selectedSongs(const std::set<std::string>& ids) const;

    const SongList& list() const noexcept { return list_; }

private:
    void indexPositions(const std::stop_token& stop);
    void indexSongs(const std::stop_token& stop);

    SongList list_;
    std::vector<SongTableRow> rows_;
    // Display position by list index.
    std::vector<std::uint32_t> positionOfIndex_;
    // The list indices of a song as a chain in ascending order: an
    // open-addressing table of each identifier's first index (+ 1 in the low
    // half; 0 is free) beside the high half of its hash, so a probe reads a
    // song only when that half matches; then each index's next one of the
    // same song. It depends on the list alone, so a sort keeps it; no
    // identifier is copied, so the rows stay small.
    std::vector<std::uint64_t> firstOfSong_;
    std::vector<std::uint32_t> nextOfIndex_;
    // Stable homes for edited songs the rows point at.
    std::vector<std::unique_ptr<Song>> edited_;
};

} // namespace sorvalind
