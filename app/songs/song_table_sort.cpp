#include "songs/song_table_sort.h"

#include "platform/text/collator.h"
#include "runtime/cancellation.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <string_view>
#include <unordered_map>

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

std::string textValue(const SongTableRow& row, SongSortProperty property) {
    switch (property) {
    case SongSortProperty::title:
        return row.title();
    case SongSortProperty::artist:
        return row.artist;
    case SongSortProperty::album:
        return row.album();
    case SongSortProperty::genre:
        return row.genre();
    case SongSortProperty::quality:
        return row.quality();
    case SongSortProperty::created:
        return row.created();
    case SongSortProperty::played:
        return row.played();
    default:
        return {};
    }
}

double numberValue(const SongTableRow& row, SongSortProperty property) noexcept {
    switch (property) {
    case SongSortProperty::duration:
        return row.duration();
    case SongSortProperty::rating:
        return static_cast<double>(row.rating());
    case SongSortProperty::liked:
        return static_cast<double>(row.liked());
    case SongSortProperty::disc:
        return static_cast<double>(row.disc());
    case SongSortProperty::track:
        return static_cast<double>(row.track());
    case SongSortProperty::playCount:
        return static_cast<double>(row.playCount());
    default:
        return 0;
    }
}

void checkAt(std::size_t item, const std::stop_token& stop) {
    if (item % kCheckEvery == 0) throwIfCancelled(stop);
}

// Each row's ordinal of one text property: the distinct values are keyed
// once by the collator and ranked; values whose keys are equal share a rank.
std::vector<double> textOrdinals(const std::vector<SongTableRow>& rows, SongSortProperty property,
                                 const text::Collator& collator, const std::stop_token& stop) {
    std::unordered_map<std::string, std::uint32_t> distinct;
    std::vector<std::uint32_t> valueOfRow(rows.size());
    std::vector<const std::string*> values;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        checkAt(i, stop);
        auto [it, added] =
            distinct.try_emplace(textValue(rows[i], property), static_cast<std::uint32_t>(values.size()));
        if (added) values.push_back(&it->first);
        valueOfRow[i] = it->second;
    }
    std::vector<std::string> keys(values.size());
    for (std::size_t v = 0; v < values.size(); ++v) {
        checkAt(v, stop);
        keys[v] = collator.sortKey(*values[v]);
    }
    std::vector<std::uint32_t> order(values.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    std::vector<double> ordinalOfValue(values.size());
    double ordinal = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i]] != keys[order[i - 1]]) ordinal += 1;
        ordinalOfValue[order[i]] = ordinal;
    }
    std::vector<double> ordinals(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        ordinals[i] = ordinalOfValue[valueOfRow[i]];
    return ordinals;
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
    if (order.empty() || rows.empty()) return rows;
    const std::size_t keyCount = order.size();
    const std::size_t n = rows.size();

    // One column of values per comparator: text as ordinals, the rest as
    // numbers (every integer here is far below 2^53, so doubles hold them).
    std::vector<std::vector<double>> columns(keyCount);
    std::optional<text::Collator> collator;
    for (std::size_t k = 0; k < keyCount; ++k) {
        const SongSortProperty property = order[k].property;
        if (isText(property)) {
            if (!collator) collator = text::Collator::forUser();
            columns[k] = textOrdinals(rows, property, *collator, stop);
        } else {
            columns[k].resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                checkAt(i, stop);
                columns[k][i] = numberValue(rows[i], property);
            }
        }
    }
    // Projections in row-major order, so one comparison reads adjacent values.
    std::vector<double> projected(n * keyCount);
    for (std::size_t i = 0; i < n; ++i) {
        checkAt(i, stop);
        for (std::size_t k = 0; k < keyCount; ++k)
            projected[i * keyCount + k] = columns[k][i];
    }
    columns.clear();

    std::vector<std::uint32_t> indexOf(n);
    for (std::size_t i = 0; i < n; ++i)
        indexOf[i] = rows[i].index;
    std::vector<std::uint32_t> offsets(n);
    std::iota(offsets.begin(), offsets.end(), 0u);
    std::sort(offsets.begin(), offsets.end(), [&](std::uint32_t a, std::uint32_t b) {
        const double* va = &projected[a * keyCount];
        const double* vb = &projected[b * keyCount];
        for (std::size_t k = 0; k < keyCount; ++k) {
            if (va[k] == vb[k]) continue;
            return order[k].reverse ? va[k] > vb[k] : va[k] < vb[k];
        }
        return indexOf[a] < indexOf[b];
    });
    throwIfCancelled(stop);
    std::vector<SongTableRow> sorted;
    sorted.reserve(n);
    for (std::uint32_t offset : offsets)
        sorted.push_back(std::move(rows[offset]));
    return sorted;
}

} // namespace sorvalind
