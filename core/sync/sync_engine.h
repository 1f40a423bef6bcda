#pragma once
// Mirrors the server's library into the local store, refreshes the stored
// playlists and pushes queued favourite and rating edits to the server.
// One engine per open library.
//
// refresh() runs the paged mirror: playlists first, then the whole library
// listing 500 items of each kind per request, each page written with its
// checkpoint in one transaction, then whatever the run did not see deleted.
// While a page is written, the next one is already being requested (on the
// engine's own fetch queue); pages are still written one after the other, in
// order. A run that ended early resumes from its checkpoint when the next run
// starts within 1800 s of the interrupted generation's start; a resumed run
// that reaches the end passes over the whole library again under a new
// generation before it deletes anything. A server that repeats a page within
// a pass ends the run with APIError::pagination before writing it.
//
// Threads: refresh(), refreshPlaylists() and pushEdits() block the calling
// thread (a worker, never the main actor: the store and the REST client
// refuse that) and may run at the same time from different workers: a run
// never holds the engine while it waits for the server or the store. A second
// refresh() while one runs returns at once. Progress reports are posted to
// `mainActor` in order and never waited for. startPushEdits() may be called
// from any thread, the main actor included. Pushes run on the engine's own
// serial queue, each after the previous one has ended, so no edit is sent
// twice by concurrent pushes. Destroying the engine waits for the push in
// progress; the owner stops it first (cancel the push, switch network access
// off) as for any shutdown.
//
// Failures: the REST client's (APIError, URLError, DecodingError), the
// store's (DatabaseError and what the repository documents), APIError::
// pagination, CancellationError when `stop` is requested; see each call.

#include "runtime/clock.h"
#include "runtime/executor.h"
#include "runtime/task_handle.h"
#include "server/api_client.h"
#include "server/library_api.h"
#include "store/library_repository.h"
#include "sync/sync_progress.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

namespace sorvalind {

class SerialQueue;
struct SyncCheckpoint;

class SyncEngine {
public:
    // Runs on the main actor, in the order the reports were made.
    using ProgressCallback = std::function<void(const SyncProgress&)>;

    // Items of each kind per page request.
    static constexpr int pageSize = 500;
    // A stored checkpoint younger than this is resumed.
    static constexpr std::chrono::seconds resumeWindow{1800};

    // `wallClock` dates the generations; `localeId` formats the counts in the
    // progress texts (the user's locale when empty). Starts nothing.
    SyncEngine(LibraryRepository& repository, Executor& mainActor,
               const WallClock& wallClock = systemWallClock(), std::string localeId = {});
    ~SyncEngine();
    SyncEngine(const SyncEngine&) = delete;
    SyncEngine& operator=(const SyncEngine&) = delete;

    // One synchronisation run; returns when it finished, or at once when a
    // run is already under way. Throws the first failure unchanged (a
    // playlist, page or store failure, APIError::pagination, or
    // CancellationError once `stop` is requested: the run then ends at the
    // next request or page, and the last written page with its checkpoint
    // stands).
    void refresh(LibraryAPI& api, const ProgressCallback& progress, std::stop_token stop = {});

    // Fetches every playlist with its entries and replaces the stored set,
    // unless a later call started meanwhile (then it stores nothing and
    // returns normally). Throws the fetch's, the store's or a cancellation
    // failure; the stored playlists then stay as they were.
    void refreshPlaylists(LibraryAPI& api, std::stop_token stop = {});

    // Sends the queued edits, one request each, after every earlier push has
    // ended. An edit the server accepted is removed from the queue unless it
    // was changed meanwhile. An edit the server refuses with a Subsonic error
    // stays queued (error 70, the item is gone, removes it) and the push goes
    // on; the first refusal is thrown after the last edit. A transport
    // failure, an HTTP status, a refusal of the credentials (40, 41) or a
    // store failure ends the push there, the rest queued. Requesting `stop`
    // cancels this push only, and the call still returns only once the push
    // has ended. Keep `api` alive until then.
    void pushEdits(APIClient& api, std::stop_token stop = {});
    // The same push, without waiting: the handle ends with its outcome.
    TaskHandle startPushEdits(APIClient& api);

private:
    void runPass(LibraryAPI& api, const ProgressCallback& progress, std::stop_token stop);
    void report(const ProgressCallback& progress, SyncProgress value);
    std::string indexingMessage(int songs) const;
    void push(APIClient& api, std::stop_token stop);

    LibraryRepository& repository_;
    Executor& mainActor_;
    const WallClock& wallClock_;
    std::string localeId_;

    std::mutex mutex_; // guards the three below; never held across I/O
    bool running_ = false;
    std::uint64_t playlistRequest_ = 0;
    TaskHandle editPushTask_;

    std::unique_ptr<SerialQueue> pushQueue_;
    // Requests the next page of a run while the current one is written.
    std::unique_ptr<SerialQueue> fetchQueue_;
};

} // namespace sorvalind
