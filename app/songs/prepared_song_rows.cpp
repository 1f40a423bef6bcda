#include "songs/prepared_song_rows.h"

#include "runtime/cancellation.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace sorvalind {
namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

std::uint64_t idHash(std::string_view id) {
    return std::hash<std::string_view>{}(id);
}

} // namespace

PreparedSongRows PreparedSongRows::make(SongList songs, const SongSortOrder& order, std::stop_token stop) {
    PreparedSongRows prepared;
    prepared.list_ = songs ? std::move(songs) : std::make_shared<const std::vector<Song>>();
    const std::vector<Song>& list = *prepared.list_;
    std::vector<SongTableRow> rows;
    rows.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i % 2048 == 0) throwIfCancelled(stop);
        rows.emplace_back(static_cast<std::uint32_t>(i), list[i]);
    }
    prepared.rows_ = sortedRows(std::move(rows), order, stop);
    prepared.index(stop);
    return prepared;
}

PreparedSongRows PreparedSongRows::make(PreparedSongRows rows, const SongSortOrder& order,
                                        std::stop_token stop) {
    rows.rows_ = sortedRows(std::move(rows.rows_), order, stop);
    rows.index(stop);
    return rows;
}

void PreparedSongRows::index(std::stop_token stop) {
    const std::size_t listSize = list_ ? list_->size() : 0;
    positionOfIndex_.assign(listSize, kNone);
    firstOfSong_.assign(std::bit_ceil(std::max<std::size_t>(rows_.size() * 2, 16)), 0);
    nextOfPosition_.assign(rows_.size(), kNone);
    const std::size_t mask = firstOfSong_.size() - 1;
    // Walked from the end, so each chain comes out in ascending order.
    for (std::size_t done = 0; done < rows_.size(); ++done) {
        if (done % 2048 == 0) throwIfCancelled(stop);
        const auto p = static_cast<std::uint32_t>(rows_.size() - 1 - done);
        const SongTableRow& row = rows_[p];
        positionOfIndex_[row.index] = p;
        for (std::size_t slot = idHash(row.song->id) & mask;; slot = (slot + 1) & mask) {
            std::uint32_t& first = firstOfSong_[slot];
            if (first == 0) {
                first = p + 1;
                break;
            }
            if (rows_[first - 1].song->id == row.song->id) {
                nextOfPosition_[p] = first - 1;
                first = p + 1;
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
    for (std::size_t slot = idHash(songID) & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t first = firstOfSong_[slot];
        if (first == 0) return positions;
        if (rows_[first - 1].song->id != songID) continue;
        for (std::uint32_t p = first - 1; p != kNone; p = nextOfPosition_[p])
            positions.push_back(p);
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
