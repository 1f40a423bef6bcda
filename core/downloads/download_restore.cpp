// Bringing the manager's lists back at start.
#include "downloads/download_manager.h"

#include "downloads/download_manager_detail.h"
#include "downloads/restore_scan.h"
#include "runtime/async_call.h"

#include <set>

namespace sorvalind {

struct DownloadManager::RestoreResult {
    RestoreScan scan;
};

TaskHandle DownloadManager::restore() {
    auto done = std::make_shared<TaskSource>();
    runOn(
        workers_, mainActor_,
        [&repository = repository_, root = root_, transfers = transferFolder_, idle = active_.empty()] {
            // Files of running workers are not leftovers of a crash.
            return scanForRestore(repository, root, transfers, stateKey, idle);
        },
        guarded([this, done](Outcome<RestoreScan> result) {
            if (result.hasValue()) applyRestore(RestoreResult{std::move(result.get())});
            done->finish(Outcome<void>::success());
        }));
    return done->handle();
}

void DownloadManager::applyRestore(RestoreResult result) {
    auto& scan = result.scan;
    std::set<std::string> recorded;
    for (const auto& record : scan.records)
        recorded.insert(record.id());
    records_.set(std::move(scan.records));
    if (!scan.jobs) return;

    std::vector<DownloadJob> jobs;
    for (auto& job : *scan.jobs) {
        // Recorded before the queue was written: already downloaded.
        if (recorded.count(job.id())) continue;
        if (job.isActive() || (job.status == DownloadJob::paused && job.resumeAutomatically == true))
            detail::makeWaiting(job);
        jobs.push_back(std::move(job));
    }
    jobs_.set(std::move(jobs));
    persist();
}

} // namespace sorvalind
