#pragma once
// The model of offline listening: the queue of songs to store (`jobs`), the
// finished downloads (`records`) and the text of the last failed removal
// (`error`). It runs at most three worker tasks at a time, in queue order;
// stops running jobs when the connection goes and resumes them when it
// returns (a user pause stays); carries out pause, retry, cancel, cancel all
// and removals; stores the queue under "downloadJobs" after each change, one
// write after another in call order; and brings both lists back at start.
//
// Each worker transfers the file (FileTransfer, through the client's own
// HTTP session) into the private transfer folder, verifies it by decoding it
// completely, moves it into the download root, records it and leaves the
// queue. Transfers, verification, file operations and every repository call
// run on the manager's own worker threads; their results come back to the
// main actor by post, so no worker ever waits for the main actor.
//
// Main actor only (the shared main-actor executor given to the constructor):
// every operation, every published value and every callback. The
// asynchronous operations (restore, remove, removeAll, shutdown) return a
// task that ends on the main actor; none of them throws, failures end in
// `error` or are dropped as described. Run shutdown() and let it end before
// the manager is destroyed; the repository and the main actor must outlive
// the manager.

#include "downloads/download_job.h"
#include "library/download_record.h"
#include "runtime/clock.h"
#include "runtime/executor.h"
#include "runtime/published.h"
#include "runtime/task_handle.h"
#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "store/library_repository.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

class DownloadManager {
public:
    // Fetches a song's cover art next to its transfer; the worker waits for
    // the returned task before it records the download.
    using PrepareArtwork = std::function<TaskHandle(const Song&)>;

    static constexpr std::size_t maximumTransfers = 3;
    static constexpr const char* stateKey = "downloadJobs";

    // `root` is the download folder ("Audio" in the per-server folder);
    // `transferFolder` the private folder of ".part" files ("Transfers" in
    // the per-server folder), made 0700 and checked for ownership on use.
    DownloadManager(LibraryRepository& repository, Executor& mainActor, std::filesystem::path root,
                    std::filesystem::path transferFolder, const WallClock& wallClock = systemWallClock());
    ~DownloadManager();
    DownloadManager(const DownloadManager&) = delete;
    DownloadManager& operator=(const DownloadManager&) = delete;

    const Published<std::vector<DownloadJob>>& jobs() const noexcept { return jobs_; }
    const Published<std::vector<DownloadRecord>>& records() const noexcept { return records_; }
    const Published<std::optional<std::string>>& error() const noexcept { return error_; }
    void setError(std::optional<std::string> text) { error_.set(std::move(text)); }
    const std::filesystem::path& root() const noexcept { return root_; }
    void setPrepareArtwork(PrepareArtwork hook) { prepareArtwork_ = std::move(hook); }

    // Sets or clears the client new workers use, then runs the queue.
    void configure(std::shared_ptr<APIClient> api);
    // Offline pauses running jobs; online resumes those paused that way.
    void setOfflineMode(bool offline);
    void pauseActiveTransfers();
    void resumeTransfers();

    // Queues each song not yet queued or downloaded in `quality`.
    void enqueue(const std::vector<Song>& songs, DownloadQuality quality);
    void pause(const std::string& id);
    void retry(const std::string& id);
    void cancel(const std::string& id);
    void cancelAll();

    // Deletes the file (only directly inside the root), the row and the record.
    TaskHandle remove(const DownloadRecord& record);
    TaskHandle removeAll();
    std::int64_t storageBytes() const noexcept;

    // Brings back the records whose files exist and the stored queue.
    TaskHandle restore();
    // Stops everything for good; ends once every worker and the last write
    // of the queue have ended.
    TaskHandle shutdown();

private:
    struct Worker;
    struct RestoreResult;

    // Queue and controls.
    void pump();
    void pauseAutomatically();
    void resumeAvailableTransfers();
    void finishCancellation(const std::string& id);
    DownloadJob* findJob(std::vector<DownloadJob>& jobs, const std::string& id);
    template <class Change> void changeJob(const std::string& id, Change change);
    void persist();

    // The worker's steps, in order.
    void startWorker(const DownloadJob& job);
    void afterTransfer(const std::shared_ptr<Worker>& worker, std::filesystem::path temporary);
    void recordDownload(const std::shared_ptr<Worker>& worker, DownloadRecord record);
    void afterSave(const std::shared_ptr<Worker>& worker);
    void discardRecord(const std::shared_ptr<Worker>& worker, std::exception_ptr error);
    void fail(const std::shared_ptr<Worker>& worker, std::exception_ptr error);
    void endWorker(const std::shared_ptr<Worker>& worker);
    void reportProgress(std::uint64_t generation, const std::string& id, std::optional<double> fraction,
                        std::optional<std::pair<std::int64_t, std::optional<std::int64_t>>> bytes);

    void applyRestore(RestoreResult result);
    void removeNext(std::shared_ptr<std::vector<DownloadRecord>> records, std::size_t index,
                    std::shared_ptr<TaskSource> done);

    // Wraps a main-actor continuation so that it does nothing once the
    // manager is gone.
    template <class F> auto guarded(F f);

    LibraryRepository& repository_;
    Executor& mainActor_;
    std::filesystem::path root_;
    std::filesystem::path transferFolder_;
    const WallClock& wallClock_;

    Published<std::vector<DownloadJob>> jobs_;
    Published<std::vector<DownloadRecord>> records_;
    Published<std::optional<std::string>> error_;
    std::shared_ptr<APIClient> api_;
    PrepareArtwork prepareArtwork_;
    bool transfersSuspended_ = false;
    bool offlineMode_ = false;
    std::map<std::string, TaskHandle> active_;
    std::uint64_t transferGeneration_ = 1;
    bool isShutdown_ = false;
    TaskHandle persistence_;

    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    // Declared last: destroyed first, so its threads end before the state
    // they were handed.
    WorkerPool workers_;
};

} // namespace sorvalind
