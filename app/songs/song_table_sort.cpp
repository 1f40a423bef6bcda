#include "songs/song_table_sort.h"

#include "songs/radix_order.h"

#include "platform/text/collator.h"
#include "runtime/cancellation.h"

#include <algorithm>
#include <bit>
#include <deque>
#include <numeric>
#include <optional>
#include <string_view>

namespace sorvalind {
namespace {

constexpr std::size_t kCheckEvery = 2048;

struct SortEntry {
    SongTableSort sort;
    std::string_view raw;
    std::string_view label;
};

constexpr std::array<SortEntry, 12> kSorts = {{
    {SongTableSort::original, "original", "Original Order"},
    {SongTableSort::title, "title", "Title"},
    {SongTableSort::artist, "artist", "Artist"},
    {SongTableSort::album, "album", "Album"},
    {SongTableSort::genre, "genre", "Genre"},
    {SongTableSort::duration, "duration", "Time"},
    {SongTableSort::quality, "quality", "Quality"},
    {SongTableSort::rating, "rating", "Rating"},
    {SongTableSort::liked, "liked", "Liked"},
    {SongTableSort::added, "added", "Recently Added"},
    {SongTableSort::played, "played", "Recently Played"},
    {SongTableSort::playCount, "playCount", "Most Played"},
}};

bool isText(SongSortProperty property) noexcept {
    switch (property) {
    case SongSortProperty::title:
    case SongSortProperty::artist:
    case SongSortProperty::album:
    case SongSortProperty::genre:
    case SongSortProperty::quality:
    case SongSortProperty::created:
    case SongSortProperty::played:
        return true;
    default:
        return false;
    }
}

// A text property's value: a view into the song where it holds the text
// whole, else the text built into `built`. The same texts the rows show.
std::string_view textOf(const SongTableRow& row, SongSortProperty property, std::string& built) {
    const Song& song = *row.song;
    switch (property) {
    case SongSortProperty::title:
        return song.title;
    case SongSortProperty::artist:
        if (song.artists && song.artists->size() == 1) return song.artists->front().name;
        built = song.artistNames();
        return built;
    case SongSortProperty::album:
        return song.album ? std::string_view(*song.album) : std::string_view();
    case SongSortProperty::genre:
        if (song.genres && song.genres->size() == 1) return song.genres->front().name;
        if (!song.genres || song.genres->empty())
            return song.genre ? std::string_view(*song.genre) : std::string_view();
        built = row.genre();
        return built;
    case SongSortProperty::quality:
        return song.suffix ? std::string_view(*song.suffix) : std::string_view();
    case SongSortProperty::created:
        return song.created ? std::string_view(*song.created) : std::string_view();
    case SongSortProperty::played:
        return song.played ? std::string_view(*song.played) : std::string_view();
    default:
        return {};
    }
}

std::uint64_t numberKey(const SongTableRow& row, SongSortProperty property) noexcept {
    switch (property) {
    case SongSortProperty::duration:
        return orderedKey(row.duration());
    case SongSortProperty::rating:
        return orderedKey(row.rating());
    case SongSortProperty::liked:
        return orderedKey(row.liked());
    case SongSortProperty::disc:
        return orderedKey(row.disc());
    case SongSortProperty::track:
        return orderedKey(row.track());
    case SongSortProperty::playCount:
        return orderedKey(row.playCount());
    default:
        return 0;
    }
}

void checkAt(std::size_t item, const std::stop_token& stop) {
    if (item % kCheckEvery == 0) throwIfCancelled(stop);
}

// The distinct texts of one property, each numbered once: an open-addressing
// table of views into the songs (texts built for a row are kept here).
class DistinctTexts {
public:
    explicit DistinctTexts(std::size_t rows) : slots_(std::bit_ceil(std::max<std::size_t>(rows * 2, 16))) {}

    std::uint32_t number(std::string_view text, bool transient) {
        const std::uint64_t hash = std::hash<std::string_view>{}(text);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            const std::uint32_t held = slots_[slot];
            if (held == 0) {
                if (transient) text = owned_.emplace_back(text);
                values_.push_back(text);
                hashes_.push_back(hash);
                slots_[slot] = static_cast<std::uint32_t>(values_.size());
                return static_cast<std::uint32_t>(values_.size() - 1);
            }
            if (hashes_[held - 1] == hash && values_[held - 1] == text) return held - 1;
        }
    }

    const std::vector<std::string_view>& values() const noexcept { return values_; }

private:
    std::vector<std::uint32_t> slots_; // a value's number + 1; 0 is free
    std::vector<std::string_view> values_;
    std::vector<std::uint64_t> hashes_;
    std::deque<std::string> owned_;
};

// Each row's rank of one text property: the distinct values are keyed once
// by the collator and ranked; values whose keys are equal share a rank.
std::vector<std::uint64_t> textRanks(const std::vector<SongTableRow>& rows, SongSortProperty property,
                                     const text::Collator& collator, const std::stop_token& stop) {
    DistinctTexts distinct(rows.size());
    std::vector<std::uint64_t> ranks(rows.size());
    std::string built;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        checkAt(i, stop);
        const std::string_view text = textOf(rows[i], property, built);
        ranks[i] = distinct.number(text, text.data() == built.data());
    }
    const std::vector<std::string_view>& values = distinct.values();
    std::vector<std::string> keys(values.size());
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (v % 256 == 0) throwIfCancelled(stop);
        keys[v] = collator.sortKey(values[v]);
    }
    std::vector<std::uint32_t> byKey(values.size());
    std::iota(byKey.begin(), byKey.end(), 0u);
    // A long list of distinct texts takes a while to sort: checked within.
    std::size_t comparisons = 0;
    std::sort(byKey.begin(), byKey.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (++comparisons % (kCheckEvery * 8) == 0) throwIfCancelled(stop);
        return keys[a] < keys[b];
    });
    throwIfCancelled(stop);
    std::vector<std::uint64_t> rankOfValue(values.size());
    std::uint64_t rank = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 && keys[byKey[i]] != keys[byKey[i - 1]]) rank += 1;
        rankOfValue[byKey[i]] = rank;
    }
    for (std::uint64_t& value : ranks)
        value = rankOfValue[value];
    return ranks;
}

} // namespace

std::string_view rawValue(SongTableSort sort) noexcept {
    return kSorts[static_cast<std::size_t>(sort)].raw;
}

std::optional<SongTableSort> songTableSort(std::string_view raw) noexcept {
    for (const SortEntry& entry : kSorts)
        if (entry.raw == raw) return entry.sort;
    return std::nullopt;
}

std::string_view label(SongTableSort sort) noexcept {
    return kSorts[static_cast<std::size_t>(sort)].label;
}

SongSortOrder comparators(SongTableSort sort) {
    using P = SongSortProperty;
    switch (sort) {
    case SongTableSort::original:
        return {};
    case SongTableSort::title:
        return {{P::title, false}};
    case SongTableSort::artist:
        return {{P::artist, false}, {P::album, false}, {P::disc, false}, {P::track, false}};
    case SongTableSort::album:
        return {{P::album, false}, {P::disc, false}, {P::track, false}};
    case SongTableSort::genre:
        return {{P::genre, false}};
    case SongTableSort::duration:
        return {{P::duration, false}};
    case SongTableSort::quality:
        return {{P::quality, false}};
    case SongTableSort::rating:
        return {{P::rating, true}};
    case SongTableSort::liked:
        return {{P::liked, true}};
    case SongTableSort::added:
        return {{P::created, true}};
    case SongTableSort::played:
        return {{P::played, true}};
    case SongTableSort::playCount:
        return {{P::playCount, true}};
    }
    return {};
}

std::optional<std::string_view> nativeKey(SongSortProperty property) noexcept {
    for (const SortEntry& entry : kSorts) {
        const SongSortOrder order = comparators(entry.sort);
        if (!order.empty() && order.front().property == property) return entry.raw;
    }
    if (property == SongSortProperty::disc) return "disc";
    if (property == SongSortProperty::track) return "track";
    return std::nullopt;
}

std::optional<SongSortComparator> nativeComparator(std::string_view key, bool ascending) noexcept {
    if (key == "disc") return SongSortComparator{SongSortProperty::disc, !ascending};
    if (key == "track") return SongSortComparator{SongSortProperty::track, !ascending};
    const std::optional<SongTableSort> sort = songTableSort(key);
    if (!sort) return std::nullopt;
    const SongSortOrder order = comparators(*sort);
    if (order.empty()) return std::nullopt;
    return SongSortComparator{order.front().property, !ascending};
}

SongTableSort selectedSort(const SongSortOrder& order) noexcept {
    if (order.empty()) return SongTableSort::original;
    for (const SortEntry& entry : kSorts) {
        const SongSortOrder own = comparators(entry.sort);
        if (!own.empty() && own.front().property == order.front().property) return entry.sort;
    }
    return SongTableSort::original;
}

bool readsProperty(const SongSortOrder& order, SongSortProperty property) noexcept {
    return std::any_of(order.begin(), order.end(),
                       [property](const SongSortComparator& c) { return c.property == property; });
}

std::vector<SongTableRow> sortedRows(std::vector<SongTableRow> rows, const SongSortOrder& order,
                                     std::stop_token stop) {
    throwIfCancelled(stop);
    if (rows.empty()) return rows;
    const std::size_t n = rows.size();

    // One column of keys per comparator: texts as ranks, numbers as their
    // ordered bits, flipped where the comparator runs backwards.
    std::vector<std::vector<std::uint64_t>> columns;
    columns.reserve(order.size() + 1);
    std::optional<text::Collator> collator;
    for (const SongSortComparator& comparator : order) {
        std::vector<std::uint64_t> column;
        if (isText(comparator.property)) {
            if (!collator) collator = text::Collator::forUser();
            column = textRanks(rows, comparator.property, *collator, stop);
        } else {
            column.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                checkAt(i, stop);
                column[i] = numberKey(rows[i], comparator.property);
            }
        }
        if (comparator.reverse)
            for (std::uint64_t& key : column)
                key = ~key;
        columns.push_back(std::move(column));
    }
    // Ties go by index; rows sorted before come in another order.
    const bool byIndex =
        std::is_sorted(rows.begin(), rows.end(),
                       [](const SongTableRow& a, const SongTableRow& b) { return a.index < b.index; });
    if (byIndex && columns.empty()) return rows;
    if (!byIndex) {
        std::vector<std::uint64_t> indices(n);
        for (std::size_t i = 0; i < n; ++i)
            indices[i] = rows[i].index;
        columns.push_back(std::move(indices));
    }
    const std::vector<std::uint32_t> sequence = radixOrder(columns, n, stop);
    columns.clear();
    std::vector<SongTableRow> sorted(n);
    for (std::size_t i = 0; i < n; ++i)
        sorted[i] = rows[sequence[i]];
    return sorted;
}

} // namespace sorvalind
