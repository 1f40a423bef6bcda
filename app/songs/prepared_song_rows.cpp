#include "songs/prepared_song_rows.h"

#include "runtime/cancellation.h"

#include <algorithm>
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
    firstOfHash_.clear();
    firstOfHash_.reserve(rows_.size());
    nextOfPosition_.assign(rows_.size(), kNone);
    // Walked from the end, so each chain comes out in ascending order.
    for (std::size_t done = 0; done < rows_.size(); ++done) {
        if (done % 2048 == 0) throwIfCancelled(stop);
        const std::size_t p = rows_.size() - 1 - done;
        const SongTableRow& row = rows_[p];
        positionOfIndex_[row.index] = static_cast<std::uint32_t>(p);
        const auto [first, added] =
            firstOfHash_.try_emplace(idHash(row.song->id), static_cast<std::uint32_t>(p));
        if (!added) {
            nextOfPosition_[p] = first->second;
            first->second = static_cast<std::uint32_t>(p);
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
    const auto first = firstOfHash_.find(idHash(songID));
    if (first == firstOfHash_.end()) return positions;
    for (std::uint32_t p = first->second; p != kNone; p = nextOfPosition_[p])
        if (rows_[p].song->id == songID) positions.push_back(p);
    return positions;
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
