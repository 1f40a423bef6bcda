// The worker of one job: transfer, verification, record, end.
#include "downloads/download_manager.h"

#include "downloads/download_manager_detail.h"
#include "downloads/download_verification.h"
#include "downloads/file_transfer.h"
#include "errors/safe_error.h"
#include "runtime/async_call.h"
#include "runtime/cancellation.h"

#include <algorithm>
#include <system_error>

namespace sorvalind {

struct DownloadManager::Worker {
    std::string id;
    Song song;
    DownloadQuality quality = DownloadQuality::original;
    std::uint64_t generation = 0;
    std::shared_ptr<APIClient> api;
    TaskSource source;
    std::stop_token stop;
    TaskHandle artwork;
    std::optional<DownloadRecord> record;

    bool cancelled() const noexcept { return stop.stop_requested(); }
};

void DownloadManager::startWorker(const DownloadJob& job) {
    auto worker = std::make_shared<Worker>();
    worker->id = job.id();
    worker->song = job.song;
    worker->quality = job.quality;
    worker->generation = transferGeneration_;
    worker->api = api_;
    worker->stop = worker->source.stopToken();
    active_[worker->id] = worker->source.handle();

    // The cover art is fetched next to the transfer.
    if (prepareArtwork_) worker->artwork = prepareArtwork_(worker->song);

    auto report = [this, life = std::weak_ptr<int>(life_), generation = worker->generation, id = worker->id](
                      std::optional<double> fraction,
                      std::optional<std::pair<std::int64_t, std::optional<std::int64_t>>> bytes) {
        // Transport thread: hop to the main actor, holding the manager weakly.
        mainActor_.post([this, life, generation, id, fraction, bytes] {
            if (!life.expired()) reportProgress(generation, id, fraction, bytes);
        });
    };
    std::optional<HttpRequest> request;
    std::shared_ptr<FileTransfer> transfer;
    try {
        request = worker->api->downloadRequest(worker->song.id, worker->quality);
        transfer = std::make_shared<FileTransfer>(
            worker->api->session(), transferFolder_, mainActor_,
            [report](double fraction) { report(fraction, std::nullopt); },
            [report](std::int64_t received, std::optional<std::int64_t> expected) {
                report(std::nullopt, std::make_pair(received, expected));
            });
    } catch (...) {
        // Ends from the main actor's next turn, never inside the queue's walk.
        mainActor_.post(guarded([this, worker, error = std::current_exception()] { fail(worker, error); }));
        return;
    }
    runOn(
        workers_, mainActor_,
        [transfer, request = std::move(*request), stop = worker->stop] {
            return transfer->download(request, stop).file;
        },
        guarded([this, worker](Outcome<std::filesystem::path> result) {
            if (!result.hasValue()) return fail(worker, result.error());
            afterTransfer(worker, std::move(result.get()));
        }));
}

void DownloadManager::reportProgress(
    std::uint64_t generation, const std::string& id, std::optional<double> fraction,
    std::optional<std::pair<std::int64_t, std::optional<std::int64_t>>> bytes) {
    if (generation != transferGeneration_) return;
    auto jobs = jobs_.value();
    auto* job = findJob(jobs, id);
    if (!job || job->status != DownloadJob::downloading) return;
    if (fraction) job->progress = *fraction;
    if (bytes) {
        job->receivedBytes = bytes->first;
        job->expectedBytes = bytes->second;
    }
    jobs_.set(std::move(jobs));
}

void DownloadManager::afterTransfer(const std::shared_ptr<Worker>& worker, std::filesystem::path temporary) {
    if (worker->cancelled()) {
        workers_.post([temporary] {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
        });
        return fail(worker, std::make_exception_ptr(CancellationError()));
    }
    changeJob(worker->id, [](DownloadJob& job) {
        job.status = DownloadJob::verifying;
        job.progress = 1;
    });
    runOn(
        workers_, mainActor_,
        [temporary, song = worker->song, quality = worker->quality, root = root_, stop = worker->stop,
         &wallClock = wallClock_] {
            try {
                return verifyAndFinalize(temporary, song, quality, root, stop, wallClock);
            } catch (...) {
                // The temporary file never outlives its verification.
                std::error_code ignored;
                std::filesystem::remove(temporary, ignored);
                throw;
            }
        },
        guarded([this, worker](Outcome<DownloadRecord> result) {
            if (!result.hasValue()) return fail(worker, result.error());
            recordDownload(worker, std::move(result.get()));
        }));
}

void DownloadManager::recordDownload(const std::shared_ptr<Worker>& worker, DownloadRecord record) {
    worker->record = std::move(record);
    worker->artwork.whenFinished(
        mainActor_, guarded([this, worker](const Outcome<void>&) {
            if (worker->cancelled())
                return discardRecord(worker, std::make_exception_ptr(CancellationError()));
            runOn(
                workers_, mainActor_,
                [&repository = repository_, record = *worker->record] { repository.saveDownload(record); },
                guarded([this, worker](Outcome<void> saved) {
                    if (!saved.hasValue()) return discardRecord(worker, saved.error());
                    afterSave(worker);
                }));
        }));
}

void DownloadManager::afterSave(const std::shared_ptr<Worker>& worker) {
    if (worker->cancelled()) return discardRecord(worker, std::make_exception_ptr(CancellationError()));
    const auto& record = *worker->record;
    // A record replaced under the same id must not leave its file behind.
    std::vector<std::filesystem::path> replaced;
    auto records = records_.value();
    const auto root = root_.lexically_normal();
    for (const auto& old : records) {
        if (old.id() != record.id() || old.path == record.path) continue;
        const auto path = std::filesystem::path(old.path).lexically_normal();
        if (path.parent_path() == root && !path.filename().empty()) replaced.push_back(path);
    }
    std::erase_if(records, [&](const DownloadRecord& r) { return r.id() == record.id(); });
    records.push_back(record);
    records_.set(std::move(records));
    auto jobs = jobs_.value();
    std::erase_if(jobs, [&](const DownloadJob& job) { return job.id() == worker->id; });
    jobs_.set(std::move(jobs));
    if (!replaced.empty())
        workers_.post([replaced] {
            for (const auto& path : replaced) {
                std::error_code ignored;
                std::filesystem::remove(path, ignored);
            }
        });
    endWorker(worker);
}

void DownloadManager::discardRecord(const std::shared_ptr<Worker>& worker, std::exception_ptr error) {
    runOn(
        workers_, mainActor_,
        [&repository = repository_, record = *worker->record] {
            try {
                repository.removeDownload(record.id());
            } catch (...) {
                // The original failure is the one to report.
            }
            std::error_code ignored;
            std::filesystem::remove(record.path, ignored);
        },
        guarded([this, worker, error](Outcome<void>) { fail(worker, error); }));
}

void DownloadManager::fail(const std::shared_ptr<Worker>& worker, std::exception_ptr error) {
    if (worker->cancelled() || isCancellation(error)) {
        finishCancellation(worker->id);
    } else {
        changeJob(worker->id, [&](DownloadJob& job) {
            job.status = DownloadJob::failed;
            job.error = SafeError::message(error);
        });
    }
    endWorker(worker);
}

void DownloadManager::endWorker(const std::shared_ptr<Worker>& worker) {
    // A cover fetch not waited for yet is not worth holding the queue for, on
    // any way out: after a failure the next job would wait for it. One already
    // waited for has ended, and cancelling it does nothing.
    worker->artwork.cancel();
    worker->artwork.whenFinished(mainActor_, guarded([this, worker](const Outcome<void>&) {
                                     active_.erase(worker->id);
                                     persist();
                                     pump();
                                     worker->source.finish(Outcome<void>::success());
                                 }));
}

} // namespace sorvalind
