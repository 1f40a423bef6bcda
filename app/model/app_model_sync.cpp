#include "app_model_async.h"

#include "errors/api_error.h"
#include "errors/refused_edit_error.h"
#include "errors/safe_error.h"
#include "runtime/cancellation.h"

#include <algorithm>

namespace sorvalind {

namespace {

enum SyncStep { validateStep, sharingStep, pushStep, mirrorStep };

bool supportsTranscodeOffset(const std::vector<APIExtension>& extensions) {
    return std::any_of(extensions.begin(), extensions.end(), [](const APIExtension& extension) {
        return extension.name == "transcodeOffset" &&
               std::find(extension.versions.begin(), extension.versions.end(), 1) != extension.versions.end();
    });
}

// The server refused queued edits (the push went on with the rest), or the
// push dropped edits the server kept refusing: the library can still be
// mirrored. Refused credentials end the run as any other failure would.
bool isEditRefusal(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const APIError& error) {
        return error.kind() == APIError::Case::server && error.code() != 40 && error.code() != 41;
    } catch (const RefusedEditError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void AppModel::refresh() {
    if (isShuttingDown_ || isOffline_.value() || syncing_.value() || !api_) return;
    syncing_.set(true);
    status_.set(connectingStatus);
    lastPageUpdate_.reset();
    auto source = std::make_shared<TaskSource>();
    syncTask_ = source->handle();
    syncStep(std::move(source), api_, validateStep);
}

void AppModel::syncStep(std::shared_ptr<TaskSource> source, std::shared_ptr<APIClient> client, int step) {
    const std::stop_token stop = source->stopToken();
    // The engine outlives every task of the model: shutdown waits for this one.
    SyncEngine* engine = synchronizer_.get();
    switch (step) {
    case validateStep:
        onWorkers([client, stop] { return client->validate(stop); },
                  [source, client](AppModel& self, Outcome<std::vector<APIExtension>> extensions) {
                      if (!extensions.hasValue()) return self.syncFailed(source, extensions.error());
                      self.extensions_ = std::move(extensions).get();
                      self.connected_.set(true);
                      self.playback_->setSupportsTranscodeOffset(supportsTranscodeOffset(self.extensions_));
                      self.syncStep(source, client, sharingStep);
                  });
        return;
    case sharingStep:
        onWorkers([client, stop] { return client->sharingEnabled(stop); },
                  [source, client](AppModel& self, Outcome<bool> sharing) {
                      self.supportsSharing_.set(sharing.hasValue() && sharing.get());
                      self.syncStep(source, client, pushStep);
                  });
        return;
    case pushStep:
        onWorkers([engine, client, stop] { engine->pushEdits(*client, stop); },
                  [source, client](AppModel& self, Outcome<void> pushed) {
                      if (!pushed.hasValue()) {
                          if (!isEditRefusal(pushed.error())) return self.syncFailed(source, pushed.error());
                          // The refused edit stays queued; say so, and mirror anyway.
                          self.reportError(pushed.error());
                      }
                      self.syncStep(source, client, mirrorStep);
                  });
        return;
    case mirrorStep: {
        SyncEngine::ProgressCallback progress = [weak = weak()](const SyncProgress& report) {
            if (auto self = weak.lock()) self->syncProgress(report, self->main().clock().now());
        };
        onWorkers([engine, client, stop, progress] { engine->refresh(*client, progress, stop); },
                  [source](AppModel& self, Outcome<void> mirrored) {
                      if (!mirrored.hasValue()) return self.syncFailed(source, mirrored.error());
                      self.status_.set(upToDateStatus);
                      self.after(self.load(),
                                 [source](AppModel& self, const Outcome<void>&) { self.finishSync(source); });
                  });
        return;
    }
    default:
        return;
    }
}

void AppModel::syncFailed(std::shared_ptr<TaskSource> source, std::exception_ptr failure) {
    if (isCancellation(failure)) {
        // Going offline cancelled it: the offline status stays.
        if (!isOffline_.value()) status_.set(pausedStatus);
        finishSync(std::move(source));
        return;
    }
    if (!isOffline_.value()) {
        connected_.set(false);
        status_.set(failedStatus);
        reportError(failure);
    }
    after(load(), [source](AppModel& self, const Outcome<void>&) { self.finishSync(source); });
}

void AppModel::finishSync(std::shared_ptr<TaskSource> source) {
    syncing_.set(false);
    if (refreshAfterCancellation_) {
        refreshAfterCancellation_ = false;
        if (!isOffline_.value()) refresh();
    }
    source->finish(Outcome<void>::success());
}

void AppModel::syncProgress(const SyncProgress& progress, SteadyTime now) {
    status_.set(progress.message);
    // Reloading re-queries the store: at most every 15 s, but the first
    // report of a run always.
    if (lastPageUpdate_ && now - *lastPageUpdate_ < pageReloadInterval) return;
    lastPageUpdate_ = now;
    load();
}

void AppModel::cancelSync() {
    refreshAfterCancellation_ = false;
    syncTask_.cancel();
    if (periodic_) periodic_->cancel();
    artworkBackfill_.cancel();
    sharingTask_.cancel();
    if (connectivityTask_) connectivityTask_->cancel();
    connectionProbe_.cancel();
    pathMonitor_.reset();
}

void AppModel::loadStatistics() {
    if (isShuttingDown_) return;
    if (statisticsTask_) {
        statisticsReloadRequested_ = true;
        return;
    }
    statisticsLoading_.set(true);
    statisticsError_.set(std::nullopt);
    auto source = std::make_shared<TaskSource>();
    statisticsTask_ = source->handle();
    readStatistics(std::move(source));
}

void AppModel::readStatistics(std::shared_ptr<TaskSource> source) {
    statisticsReloadRequested_ = false;
    onStore([repository = repository_.get(),
             stop = source->stopToken()] { return repository->listeningStatistics(stop); },
            [source](AppModel& self, Outcome<ListeningStatistics> read) {
                if (read.hasValue()) {
                    self.statistics_.set(std::move(read).get());
                    self.statisticsError_.set(std::nullopt);
                } else if (isCancellation(read.error())) {
                    self.statisticsError_.set(std::string(statisticsInterrupted));
                } else {
                    self.statisticsError_.set(SafeError::message(read.error()));
                }
                if (self.statisticsReloadRequested_) {
                    self.readStatistics(source);
                    return;
                }
                self.statisticsLoading_.set(false);
                self.statisticsTask_ = {};
                source->finish(Outcome<void>::success());
            });
}

} // namespace sorvalind
