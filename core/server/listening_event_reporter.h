#pragma once
// Tells the music server what the user listens to: a now-playing notice when a
// queue entry starts, and one play submission once the entry has been listened
// to for half its length or 30 seconds, whichever is less. Time is counted per
// queue entry, so a song queued twice, or repeated, is submitted each time.
//
// Main actor only: every member, and the completion of every request, runs on
// the main-actor executor given at construction. The requests themselves run on
// the worker executor. Both executors must outlive every request the reporter
// started (drain the worker before the main actor stops). Nothing here throws
// but std::bad_alloc; failed requests are dropped. A play submission is sent
// once: the entry counts as submitted when its submission is sent (or found no
// client), and a refused one is not sent again, since a resend would carry the
// wrong listening time.

#include "library/queue_entry.h"
#include "runtime/executor.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace sorvalind {

class APIClient;

class ListeningEventReporter {
public:
    // Sends one scrobble and returns once the server accepted it; throws on any
    // failure. Called on the worker executor; should end early (throwing) when
    // `stop` is triggered.
    using Scrobble = std::function<void(const std::string& songID, bool submission, std::stop_token stop)>;

    ListeningEventReporter(Executor& mainActor, Executor& worker);
    ~ListeningEventReporter();
    ListeningEventReporter(const ListeningEventReporter&) = delete;
    ListeningEventReporter& operator=(const ListeningEventReporter&) = delete;

    bool enabled() const noexcept { return state_->enabled; }
    // Switching forgets all counted time and submissions and cancels every
    // request not yet sent; the first progress report after switching on is
    // ignored. Setting the current value again does nothing.
    void setEnabled(bool enabled);

    // The client to send with; none means there is none. The reporter and its
    // unfinished requests keep the client alive.
    void setApi(std::shared_ptr<APIClient> client);
    // Sends through any function instead of a client; empty means none.
    void setApi(Scrobble api) { state_->api = std::move(api); }
    bool hasApi() const noexcept { return static_cast<bool>(state_->api); }

    // A queue entry started playing; `repeating` when it starts again because
    // the queue repeats one song.
    void began(const QueueEntry& entry, bool repeating);
    // Playback of the entry moved by `elapsed` seconds since the last report.
    void progressed(const QueueEntry& entry, double elapsed, bool isPlaying);

    // Seconds counted for a queue entry so far.
    double listened(const std::string& entryID) const;
    // Whether the entry's play submission was sent (or dropped for want of a
    // client) since it last started counting.
    bool submitted(const std::string& entryID) const;
    // Requests started and not yet finished or dropped.
    std::size_t pendingCount() const noexcept { return state_->pending.size(); }

private:
    struct State {
        bool enabled = false;
        Scrobble api;
        std::unordered_map<std::string, double> listened;
        std::unordered_set<std::string> submitted;
        bool discardNextInterval = false;
        // The requests in flight, each under its own number; stopping one
        // keeps it from being sent when it has not started yet.
        std::unordered_map<std::uint64_t, std::stop_source> pending;
        std::uint64_t nextKey = 0;

        void cancelPending() noexcept;
    };

    void send(const std::string& songID, bool submission);

    Executor& mainActor_;
    Executor& worker_;
    // Completions hold the state weakly, so a request that outlives the
    // reporter finishes without touching it.
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
