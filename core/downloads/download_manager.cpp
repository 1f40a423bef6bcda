#include "downloads/download_manager.h"

#include "downloads/download_manager_detail.h"
#include "errors/api_error.h"
#include "errors/safe_error.h"
#include "runtime/async_call.h"

#include <algorithm>
#include <set>

namespace sorvalind {

DownloadManager::DownloadManager(LibraryRepository& repository, Executor& mainActor,
                                 std::filesystem::path root, std::filesystem::path transferFolder,
                                 const WallClock& wallClock)
    : repository_(repository), mainActor_(mainActor), root_(std::move(root)),
      transferFolder_(std::move(transferFolder)), wallClock_(wallClock), workers_(5, "downloads") {}

DownloadManager::~DownloadManager() {
    life_.reset();
    workers_.shutdown();
}

DownloadJob* DownloadManager::findJob(std::vector<DownloadJob>& jobs, const std::string& id) {
    auto found =
        std::find_if(jobs.begin(), jobs.end(), [&](const DownloadJob& job) { return job.id() == id; });
    return found == jobs.end() ? nullptr : &*found;
}

void DownloadManager::configure(std::shared_ptr<APIClient> api) {
    api_ = std::move(api);
    pump();
}

void DownloadManager::setOfflineMode(bool offline) {
    if (offline == offlineMode_) return;
    offlineMode_ = offline;
    if (offline)
        pauseAutomatically();
    else
        resumeAvailableTransfers();
}

void DownloadManager::pauseActiveTransfers() {
    transfersSuspended_ = true;
    pauseAutomatically();
}

void DownloadManager::resumeTransfers() {
    transfersSuspended_ = false;
    resumeAvailableTransfers();
}

void DownloadManager::pauseAutomatically() {
    const auto snapshot = jobs_.value();
    for (const auto& job : snapshot) {
        if (!job.isActive()) continue;
        auto task = active_.find(job.id());
        if (task == active_.end()) continue;
        task->second.cancel();
        changeJob(job.id(), [](DownloadJob& j) {
            j.status = DownloadJob::paused;
            j.resumeAutomatically = true;
        });
    }
    persist();
}

void DownloadManager::resumeAvailableTransfers() {
    if (transfersSuspended_ || offlineMode_) return;
    const auto snapshot = jobs_.value();
    for (const auto& job : snapshot) {
        if (job.status != DownloadJob::paused || job.resumeAutomatically != true || active_.count(job.id()))
            continue;
        changeJob(job.id(), [](DownloadJob& j) { detail::makeWaiting(j); });
    }
    persist();
    pump();
}

void DownloadManager::enqueue(const std::vector<Song>& songs, DownloadQuality quality) {
    if (isShutdown_) return;
    std::set<std::string> known;
    for (const auto& job : jobs_.value())
        known.insert(job.id());
    for (const auto& record : records_.value())
        known.insert(record.id());
    auto jobs = jobs_.value();
    const auto before = jobs.size();
    for (const auto& song : songs) {
        DownloadJob job(song, quality);
        if (!known.insert(job.id()).second) continue;
        jobs.push_back(std::move(job));
    }
    if (jobs.size() != before) {
        jobs_.set(std::move(jobs));
        persist();
    }
    pump();
}

void DownloadManager::pause(const std::string& id) {
    if (auto task = active_.find(id); task != active_.end()) task->second.cancel();
    changeJob(id, [](DownloadJob& j) {
        j.status = DownloadJob::paused;
        j.resumeAutomatically = false;
    });
    persist();
}

void DownloadManager::retry(const std::string& id) {
    if (auto task = active_.find(id); task != active_.end()) task->second.cancel();
    changeJob(id, [](DownloadJob& j) {
        detail::makeWaiting(j);
        j.resumeAutomatically = true;
        j.error.reset();
    });
    persist();
    pump();
}

void DownloadManager::cancel(const std::string& id) {
    if (auto task = active_.find(id); task != active_.end()) task->second.cancel();
    auto jobs = jobs_.value();
    std::erase_if(jobs, [&](const DownloadJob& job) { return job.id() == id; });
    jobs_.set(std::move(jobs));
    persist();
}

void DownloadManager::cancelAll() {
    ++transferGeneration_;
    for (auto& [id, task] : active_)
        task.cancel();
    jobs_.set({});
    persist();
}

std::int64_t DownloadManager::storageBytes() const noexcept {
    std::int64_t total = 0;
    for (const auto& record : records_.value())
        total += record.bytes;
    return total;
}

void DownloadManager::pump() {
    if (isShutdown_ || transfersSuspended_ || offlineMode_ || !api_) return;
    const auto snapshot = jobs_.value();
    for (const auto& job : snapshot) {
        if (job.status != DownloadJob::waiting || active_.count(job.id())) continue;
        if (active_.size() >= maximumTransfers) break;
        changeJob(job.id(), [](DownloadJob& j) {
            j.status = DownloadJob::downloading;
            j.resumeAutomatically = true;
        });
        startWorker(job);
    }
}

void DownloadManager::finishCancellation(const std::string& id) {
    changeJob(id, [&](DownloadJob& j) {
        if (j.status == DownloadJob::waiting ||
            (j.resumeAutomatically == true && !offlineMode_ && !transfersSuspended_)) {
            j.status = DownloadJob::waiting;
            j.progress = 0;
            j.receivedBytes.reset();
            j.expectedBytes.reset();
        } else {
            j.status = DownloadJob::paused;
        }
    });
}

void DownloadManager::persist() {
    if (isShutdown_) return;
    std::string text;
    try {
        auto array = nlohmann::json::array();
        for (const auto& job : jobs_.value())
            array.push_back(job.encode());
        text = array.dump();
    } catch (...) {
        return; // only this write is lost; the next one carries the whole list
    }
    auto source = std::make_shared<TaskSource>();
    const TaskHandle previous = persistence_;
    persistence_ = source->handle();
    previous.whenFinished(mainActor_, [this, source, text = std::move(text),
                                       life = std::weak_ptr<int>(life_)](const Outcome<void>&) mutable {
        if (life.expired()) return;
        runOn(
            workers_, mainActor_,
            [&repository = repository_, text = std::move(text)] {
                try {
                    repository.setState(stateKey, text);
                } catch (...) {
                    // A failed write loses only itself.
                }
            },
            [source](Outcome<void>) { source->finish(Outcome<void>::success()); });
    });
}

TaskHandle DownloadManager::remove(const DownloadRecord& record) {
    auto done = std::make_shared<TaskSource>();
    const auto path = std::filesystem::path(record.path).lexically_normal();
    if (path.parent_path() != root_.lexically_normal() || path.filename().empty()) {
        error_.set(SafeError::message(APIError::configuration()));
        done->finish(Outcome<void>::success());
        return done->handle();
    }
    runOn(
        workers_, mainActor_,
        [&repository = repository_, path, id = record.id()] {
            detail::RemovalOutcome outcome;
            try {
                std::filesystem::remove(path);
            } catch (...) {
                outcome.fileError = std::current_exception();
                return outcome;
            }
            try {
                repository.removeDownload(id);
            } catch (...) {
                outcome.storeError = std::current_exception();
            }
            return outcome;
        },
        guarded([this, done, id = record.id()](Outcome<detail::RemovalOutcome> result) {
            std::exception_ptr failure = result.hasValue() ? nullptr : result.error();
            if (result.hasValue()) {
                const auto& outcome = result.get();
                failure = outcome.fileError ? outcome.fileError : outcome.storeError;
                if (!outcome.fileError) {
                    // Once the file is gone the record must go too, even when the
                    // store kept its row: the next restore drops that row.
                    auto records = records_.value();
                    std::erase_if(records, [&](const DownloadRecord& r) { return r.id() == id; });
                    records_.set(std::move(records));
                }
            }
            if (failure) error_.set(SafeError::message(failure));
            done->finish(Outcome<void>::success());
        }));
    return done->handle();
}

TaskHandle DownloadManager::removeAll() {
    auto done = std::make_shared<TaskSource>();
    removeNext(std::make_shared<std::vector<DownloadRecord>>(records_.value()), 0, done);
    return done->handle();
}

void DownloadManager::removeNext(std::shared_ptr<std::vector<DownloadRecord>> records, std::size_t index,
                                 std::shared_ptr<TaskSource> done) {
    if (index >= records->size()) {
        done->finish(Outcome<void>::success());
        return;
    }
    remove((*records)[index])
        .whenFinished(mainActor_, guarded([this, records, index, done](const Outcome<void>&) {
                          removeNext(records, index + 1, done);
                      }));
}

TaskHandle DownloadManager::shutdown() {
    isShutdown_ = true;
    transfersSuspended_ = true;
    ++transferGeneration_;
    api_.reset();
    prepareArtwork_ = nullptr;
    std::vector<TaskHandle> tasks;
    for (auto& [id, task] : active_) {
        task.cancel();
        tasks.push_back(task);
    }
    auto done = std::make_shared<TaskSource>();
    TaskHandle::allFinished(tasks).whenFinished(
        mainActor_, guarded([this, done](const Outcome<void>&) {
            persistence_.whenFinished(mainActor_, guarded([this, done](const Outcome<void>&) {
                                          active_.clear();
                                          jobs_.set({});
                                          records_.set({});
                                          done->finish(Outcome<void>::success());
                                      }));
        }));
    return done->handle();
}

} // namespace sorvalind
