#pragma once
// The sorts of a song list: the twelve the sort picker offers, the row
// properties they compare, and the string keys that name those properties in
// the table's column headers. A sort order is a list of comparators applied in
// turn; the empty list keeps the order the songs were given in.
//
// Pure values and functions; any thread.

#include "songs/song_table_row.h"

#include <array>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

// The row properties a comparator can read.
enum class SongSortProperty {
    title,
    artist,
    album,
    genre,
    duration,
    quality,
    rating,
    liked,
    created,
    played,
    playCount,
    disc,
    track
};

struct SongSortComparator {
    SongSortProperty property = SongSortProperty::title;
    bool reverse = false;
    friend bool operator==(const SongSortComparator&, const SongSortComparator&) = default;
};

using SongSortOrder = std::vector<SongSortComparator>;

enum class SongTableSort {
    original,
    title,
    artist,
    album,
    genre,
    duration,
    quality,
    rating,
    liked,
    added,
    played,
    playCount
};

// Every sort, in the picker's order.
inline constexpr std::array<SongTableSort, 12> allSongTableSorts = {
    SongTableSort::original, SongTableSort::title,    SongTableSort::artist,  SongTableSort::album,
    SongTableSort::genre,    SongTableSort::duration, SongTableSort::quality, SongTableSort::rating,
    SongTableSort::liked,    SongTableSort::added,    SongTableSort::played,  SongTableSort::playCount};

std::string_view rawValue(SongTableSort sort) noexcept;
std::optional<SongTableSort> songTableSort(std::string_view rawValue) noexcept;
// The picker's text: "Original Order", "Title", ... "Most Played".
std::string_view label(SongTableSort sort) noexcept;
SongSortOrder comparators(SongTableSort sort);

// The string key of a property ("added" for `created`); none for no property.
std::optional<std::string_view> nativeKey(SongSortProperty property) noexcept;
// The comparator a column key asks for, forward when `ascending`; none for a
// key that names no property, and for "original".
std::optional<SongSortComparator> nativeComparator(std::string_view key, bool ascending) noexcept;
// What the picker shows for an order: the first sort whose first comparator
// reads the order's first property, else original.
SongTableSort selectedSort(const SongSortOrder& order) noexcept;

// Whether any comparator reads the property.
bool readsProperty(const SongSortOrder& order, SongSortProperty property) noexcept;

// The rows in the order's sequence, ties kept in `index` order (always
// ascending). Text is ranked once per distinct value with the user's
// collator, so the rows themselves are sorted on numbers. Checks `stop`
// before every 2048th item; throws CancellationError when it is set.
std::vector<SongTableRow> sortedRows(std::vector<SongTableRow> rows, const SongSortOrder& order,
                                     std::stop_token stop);

} // namespace sorvalind
