#include "songs/prepared_song_rows.h"

#include "runtime/cancellation.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace sorvalind {
namespace {

constexpr std::uint32_t kNone = UINT32_MAX;
constexpr std::uint64_t kTagMask = 0xFFFF'FFFF'0000'0000;

std::uint64_t idHash(std::string_view id) {
    return std::hash<std::string_view>{}(id);
}

} // namespace

PreparedSongRows PreparedSongRows::make(SongList songs, const SongSortOrder& order, std::stop_token stop) {
    PreparedSongRows prepared;
    prepared.list_ = songs ? std::move(songs) : std::make_shared<const std::vector<Song>>();
    const std::vector<Song>& list = *prepared.list_;
    std::vector<SongTableRow> rows(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i % 2048 == 0) throwIfCancelled(stop);
        rows[i] = SongTableRow(static_cast<std::uint32_t>(i), list[i]);
    }
    prepared.rows_ = sortedRows(std::move(rows), order, stop);
    prepared.indexPositions(stop);
    prepared.indexSongs(stop);
    return prepared;
}

PreparedSongRows PreparedSongRows::make(PreparedSongRows rows, const SongSortOrder& order,
                                        std::stop_token stop) {
    rows.rows_ = sortedRows(std::move(rows.rows_), order, stop);
    // The songs' chains run over list indices, which a sort keeps.
    rows.indexPositions(stop);
    return rows;
}

void PreparedSongRows::indexPositions(const std::stop_token& stop) {
    positionOfIndex_.assign(list_ ? list_->size() : 0, kNone);
    for (std::size_t p = 0; p < rows_.size(); ++p) {
        if (p % 2048 == 0) throwIfCancelled(stop);
        positionOfIndex_[rows_[p].index] = static_cast<std::uint32_t>(p);
    }
}

void PreparedSongRows::indexSongs(const std::stop_token& stop) {
    const std::size_t listSize = list_ ? list_->size() : 0;
    firstOfSong_.assign(std::bit_ceil(std::max<std::size_t>(listSize * 2, 16)), 0);
    nextOfIndex_.assign(listSize, kNone);
    const std::size_t mask = firstOfSong_.size() - 1;
    // The hashes first, in the list's order, so the table's slots can be
    // fetched ahead of their inserts.
    std::vector<std::uint64_t> hashes(listSize);
    for (std::size_t i = 0; i < listSize; ++i) {
        if (i % 2048 == 0) throwIfCancelled(stop);
        // The songs are large: fetched ahead, a stride no hardware prefetcher follows.
        if (i + 8 < listSize) __builtin_prefetch(&(*list_)[i + 8].id);
        hashes[i] = idHash((*list_)[i].id);
    }
    constexpr std::size_t ahead = 16;
    // Walked from the end, so each chain comes out in ascending order.
    for (std::size_t done = 0; done < listSize; ++done) {
        if (done % 2048 == 0) throwIfCancelled(stop);
        const std::size_t i = listSize - 1 - done;
        if (i >= ahead) __builtin_prefetch(&firstOfSong_[hashes[i - ahead] & mask], 1);
        if (positionOfIndex_[i] == kNone) continue;
        const std::uint64_t tag = hashes[i] & kTagMask;
        for (std::size_t slot = hashes[i] & mask;; slot = (slot + 1) & mask) {
            std::uint64_t& first = firstOfSong_[slot];
            if (first == 0) {
                first = tag | (i + 1);
                break;
            }
            const auto held = static_cast<std::uint32_t>(first) - 1;
            if ((first & kTagMask) == tag && (*list_)[held].id == (*list_)[i].id) {
                nextOfIndex_[i] = held;
                first = tag | (i + 1);
                break;
            }
        }
    }
}

std::optional<std::size_t> PreparedSongRows::rowByID(std::string_view id) const {
    const std::size_t colon = id.find(':');
    if (colon == std::string_view::npos || colon == 0) return std::nullopt;
    std::uint32_t index = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + colon, index);
    if (error != std::errc() || end != id.data() + colon) return std::nullopt;
    // Only the canonical decimal spelling names a row ("03:x" does not).
    if (colon > 1 && id.front() == '0') return std::nullopt;
    if (index >= positionOfIndex_.size() || positionOfIndex_[index] == kNone) return std::nullopt;
    const std::size_t position = positionOfIndex_[index];
    if (rows_[position].song->id != id.substr(colon + 1)) return std::nullopt;
    return position;
}

std::vector<std::uint32_t> PreparedSongRows::rowsBySongID(std::string_view songID) const {
    std::vector<std::uint32_t> positions;
    if (firstOfSong_.empty()) return positions;
    const std::size_t mask = firstOfSong_.size() - 1;
    const std::uint64_t hash = idHash(songID);
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint64_t first = firstOfSong_[slot];
        if (first == 0) return positions;
        const auto held = static_cast<std::uint32_t>(first) - 1;
        if ((first & kTagMask) != (hash & kTagMask) || (*list_)[held].id != songID) continue;
        for (std::uint32_t i = held; i != kNone; i = nextOfIndex_[i])
            if (positionOfIndex_[i] != kNone) positions.push_back(positionOfIndex_[i]);
        std::sort(positions.begin(), positions.end());
        return positions;
    }
}

std::set<std::size_t> PreparedSongRows::update(const Song& song) {
    std::set<std::size_t> changed;
    const Song* home = nullptr;
    for (std::uint32_t position : rowsBySongID(song.id)) {
        SongTableRow& row = rows_[position];
        if (*row.song == song) continue;
        if (home == nullptr) {
            edited_.push_back(std::make_unique<Song>(song));
            home = edited_.back().get();
        }
        row.setSong(*home);
        changed.insert(position);
    }
    return changed;
}

void PreparedSongRows::rebase(SongList songs) {
    if (!songs || !list_ || songs->size() != list_->size()) return;
    for (SongTableRow& row : rows_) {
        const Song& now = (*songs)[row.index];
        if (now.id != row.song->id) return; // not the same list: leave the rows as they are
    }
    for (SongTableRow& row : rows_) {
        const Song& now = (*songs)[row.index];
        if (row.song != &now) {
            if (*row.song == now)
                row.song = &now;
            else
                row.setSong(now);
        }
    }
    list_ = std::move(songs);
    edited_.clear();
}

std::vector<Song> PreparedSongRows::selectedSongs(const std::set<std::string>& ids) const {
    std::vector<std::size_t> positions;
    positions.reserve(ids.size());
    for (const std::string& id : ids)
        if (const auto position = rowByID(id)) positions.push_back(*position);
    std::sort(positions.begin(), positions.end());
    std::vector<Song> songs;
    songs.reserve(positions.size());
    for (std::size_t position : positions)
        songs.push_back(*rows_[position].song);
    return songs;
}

} // namespace sorvalind
