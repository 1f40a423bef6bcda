#pragma once
// Pieces shared by the manager's source files (queue, worker, restore).
// Not part of the manager's interface.

#include "downloads/download_manager.h"

#include <exception>
#include <utility>

namespace sorvalind {
namespace detail {

// Back to "Waiting" with no progress and no byte counts.
inline void makeWaiting(DownloadJob& job) {
    job.status = DownloadJob::waiting;
    job.progress = 0;
    job.receivedBytes.reset();
    job.expectedBytes.reset();
}

// What a removal met: the file's failure (then the row was not touched) or
// the store's failure after the file was gone.
struct RemovalOutcome {
    std::exception_ptr fileError;
    std::exception_ptr storeError;
};

} // namespace detail

template <class F> auto DownloadManager::guarded(F f) {
    return [life = std::weak_ptr<int>(life_), f = std::move(f)](auto&&... args) mutable {
        if (life.expired()) return;
        f(std::forward<decltype(args)>(args)...);
    };
}

template <class Change> void DownloadManager::changeJob(const std::string& id, Change change) {
    auto jobs = jobs_.value();
    if (auto* job = findJob(jobs, id)) {
        change(*job);
        jobs_.set(std::move(jobs));
    }
}

} // namespace sorvalind
