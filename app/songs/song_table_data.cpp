#include "songs/song_table_data.h"

#include "runtime/async_call.h"

#include <vector>

namespace sorvalind {

struct SongTableData::Run {
    std::uint64_t id = 0;
    SongSortOrder order;
    std::stop_source stop;
    std::function<void(bool)> ended;
};

SongTableData::SongTableData(Executor& worker, Executor& mainActor)
    : worker_(worker), mainActor_(mainActor) {}

SongTableData::~SongTableData() {
    if (running_) running_->stop.request_stop();
}

void SongTableData::load(PreparedSongRows::SongList songs, SongSortOrder order,
                         std::function<void(bool)> ended) {
    if (running_) running_->stop.request_stop();
    auto run = std::make_shared<Run>();
    run->id = ++preparationID_;
    run->order = order;
    run->ended = std::move(ended);
    running_ = run;
    preparing_ = true;
    pendingUpdates_.clear();
    std::stop_token stop = run->stop.get_token();
    runOn(
        worker_, mainActor_, stop,
        [songs = std::move(songs), order = std::move(order), stop] {
            return std::make_shared<PreparedSongRows>(PreparedSongRows::make(songs, order, stop));
        },
        [this, run, alive = std::weak_ptr<int>(alive_)](Outcome<std::shared_ptr<PreparedSongRows>> outcome) {
            if (alive.expired()) return;
            if (!outcome.hasValue()) return finish(run, false);
            awaitResult(run, outcome.get());
        });
}

void SongTableData::awaitResult(std::shared_ptr<Run> run, std::shared_ptr<PreparedSongRows> result) {
    if (run->stop.stop_requested() || run->id != preparationID_) return finish(run, false);
    if (pendingUpdates_.empty()) {
        publish(std::move(*result));
        return finish(run, true);
    }
    // Edits that arrived meanwhile go into the new rows before they show.
    std::vector<Song> pending;
    for (auto& [id, song] : pendingUpdates_)
        pending.push_back(std::move(song));
    pendingUpdates_.clear();
    const bool sortAgain = readsProperty(run->order, SongSortProperty::rating) ||
                           readsProperty(run->order, SongSortProperty::liked);
    std::stop_token stop = run->stop.get_token();
    runOn(
        worker_, mainActor_, stop,
        [result = std::move(result), pending = std::move(pending), order = run->order, sortAgain,
         stop]() mutable {
            for (const Song& song : pending)
                result->update(song);
            if (sortAgain)
                result = std::make_shared<PreparedSongRows>(
                    PreparedSongRows::make(std::move(*result), order, stop));
            return result;
        },
        [this, run, alive = std::weak_ptr<int>(alive_)](Outcome<std::shared_ptr<PreparedSongRows>> outcome) {
            if (alive.expired()) return;
            if (!outcome.hasValue()) return finish(run, false);
            awaitResult(run, outcome.get());
        });
}

void SongTableData::publish(PreparedSongRows rows) {
    prepared_ = std::move(rows);
    changedRows_.reset();
    ++revision_;
    if (changed_) changed_();
}

void SongTableData::finish(const std::shared_ptr<Run>& run, bool published) {
    if (run->id == preparationID_) {
        preparing_ = false;
        pendingUpdates_.clear();
        running_.reset();
    }
    if (run->ended) run->ended(published);
}

void SongTableData::cancel() {
    if (running_) running_->stop.request_stop();
}

void SongTableData::update(const Song& song) {
    if (preparing_) pendingUpdates_.insert_or_assign(song.id, song);
    std::set<std::size_t> changed = prepared_.update(song);
    if (changed.empty()) return;
    changedRows_ = std::move(changed);
    ++revision_;
    if (changed_) changed_();
}

void SongTableData::rebase(PreparedSongRows::SongList songs) {
    prepared_.rebase(std::move(songs));
}

} // namespace sorvalind
