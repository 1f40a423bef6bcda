#pragma once
// The prepared rows a song table shows, and their preparation: load() sorts
// and indexes a list on a worker and publishes the result on the main actor,
// but only while it is still the newest load; update() puts an edited song
// into the rows at once and, while a load runs, remembers it so the new rows
// get it too (sorted again when the order reads ratings or favourites).
// Every change of the rows raises `revision` by one and calls the listener
// once.
//
// Main actor only (the GUI thread in the application); the workers see only
// copies.

#include "songs/prepared_song_rows.h"

#include "runtime/executor.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

namespace sorvalind {

class SongTableData {
public:
    SongTableData(Executor& worker, Executor& mainActor);
    ~SongTableData();
    SongTableData(const SongTableData&) = delete;
    SongTableData& operator=(const SongTableData&) = delete;

    const PreparedSongRows& prepared() const noexcept { return prepared_; }
    std::int64_t revision() const noexcept { return revision_; }
    // After an in-place update, the display positions that changed; after a
    // full replacement, none.
    const std::optional<std::set<std::size_t>>& changedRows() const noexcept { return changedRows_; }
    bool preparing() const noexcept { return preparing_; }
    std::uint64_t preparationID() const noexcept { return preparationID_; }
    const std::map<std::string, Song>& pendingUpdates() const noexcept { return pendingUpdates_; }

    // Called once per change of the rows (after `revision` moved).
    void setListener(std::function<void()> changed) { changed_ = std::move(changed); }

    // Prepares `songs` in `order`. `ended(published)` runs on the main actor
    // when this load ends, whatever the outcome: published is false when it
    // was overtaken, stopped or cancelled. A newer load stops this one.
    void load(PreparedSongRows::SongList songs, SongSortOrder order,
              std::function<void(bool published)> ended = {});
    // Stops the running load; it publishes nothing.
    void cancel();

    void update(const Song& song);
    // A patched copy of the list the rows came from (same songs, same places).
    void rebase(PreparedSongRows::SongList songs);

    std::vector<Song> selectedSongs(const std::set<std::string>& ids) const {
        return prepared_.selectedSongs(ids);
    }

private:
    struct Run;
    void finish(const std::shared_ptr<Run>& run, bool published);
    void awaitResult(std::shared_ptr<Run> run, std::shared_ptr<PreparedSongRows> result);
    void publish(PreparedSongRows rows);

    Executor& worker_;
    Executor& mainActor_;
    PreparedSongRows prepared_;
    std::int64_t revision_ = 0;
    std::optional<std::set<std::size_t>> changedRows_;
    std::uint64_t preparationID_ = 0;
    bool preparing_ = false;
    std::map<std::string, Song> pendingUpdates_;
    std::function<void()> changed_;
    std::shared_ptr<Run> running_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace sorvalind
