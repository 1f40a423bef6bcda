#include "app_model_async.h"

#include "detached_parts.h"

#include "errors/api_error.h"
#include "errors/credential_error.h"
#include "platform/crypto/digest.h"

#include <system_error>
#include <utility>

namespace sorvalind {

namespace {

DownloadQuality qualityPreference(const Preferences& preferences, std::string_view key) {
    const auto text = preferences.stringValue(key);
    if (!text) return DownloadQuality::original;
    return DownloadQuality::fromRaw(*text).value_or(DownloadQuality::original);
}

} // namespace

std::filesystem::path AppModel::serverFolder(const std::filesystem::path& base,
                                             const std::optional<ServerConfiguration>& configuration) {
    // A relative base would put the library wherever the program was started.
    if (base.empty() || base.is_relative())
        throw std::filesystem::filesystem_error("The application data folder is not an absolute path", base,
                                                std::make_error_code(std::errc::invalid_argument));
    const std::string key = configuration ? configuration->identity() : std::string("unconfigured");
    return base / "Sorvalind" / sha256Hex(key);
}

void AppModel::make(const AppEnvironment& environment, std::optional<ServerConfiguration> configuration,
                    MadeCallback done) {
    using Made = Outcome<std::shared_ptr<AppModel>>;
    std::filesystem::path folder;
    try {
        folder = serverFolder(environment.paths.applicationSupport(), configuration);
    } catch (...) {
        environment.mainActor.post(
            [done = std::move(done), failure = std::current_exception()] { done(Made::failure(failure)); });
        return;
    }
    Executor& mainActor = environment.mainActor;
    const WallClock& wallClock = environment.wallClock;
    runOn(
        environment.workers, mainActor,
        [folder, &mainActor, &wallClock] {
            std::filesystem::create_directories(folder);
            return std::make_unique<LibraryRepository>((folder / "Library.sqlite").string(), mainActor,
                                                       wallClock);
        },
        [environment, configuration = std::move(configuration), folder,
         done = std::move(done)](Outcome<std::unique_ptr<LibraryRepository>> opened) mutable {
            if (!opened.hasValue()) {
                done(Made::failure(opened.error()));
                return;
            }
            std::shared_ptr<AppModel> model;
            try {
                model = std::make_shared<AppModel>(Private{}, environment, std::move(opened).get(), folder,
                                                   std::move(configuration));
            } catch (...) {
                done(Made::failure(std::current_exception()));
                return;
            }
            done(Made::success(std::move(model)));
        });
}

AppModel::AppModel(Private, const AppEnvironment& environment, std::unique_ptr<LibraryRepository> repository,
                   std::filesystem::path folder, std::optional<ServerConfiguration> configuration)
    : environment_(environment), folder_(std::move(folder)), repository_(std::move(repository)),
      configuration_(std::move(configuration)), preferences_(environment.preferences),
      credentialLoader_(environment.credentialLoader) {
    favoriteDownloadToken_ = nextToken();
    queryToken_ = nextToken();

    // A user who forced offline mode starts offline.
    const bool forced = preferences_.boolValue("forceOfflineMode").value_or(false);
    forceOfflineMode_.set(forced);
    isOffline_.set(forced);
    automaticallyDownloadFavorites_.set(
        preferences_.boolValue("automaticallyDownloadFavorites").value_or(false));
    favoriteDownloadQuality_.set(qualityPreference(preferences_, "favoriteDownloadQuality"));

    synchronizer_ = std::make_unique<SyncEngine>(*repository_, main(), environment_.wallClock);
    playback_ = environment_.makePlayback ? environment_.makePlayback(*repository_, preferences_) : nullptr;
    if (!playback_) playback_ = std::make_unique<DetachedPlayback>();
    downloads_ = std::make_unique<DownloadManager>(*repository_, main(), folder_ / "Audio",
                                                   folder_ / "Transfers", environment_.wallClock);
    if (environment_.makeArtwork) artwork_ = environment_.makeArtwork(folder_ / "Artwork");
    if (!artwork_) artwork_ = std::make_shared<DetachedArtwork>();
    // Shared: a catalogue look-up in flight holds it past the model.
    appleMusicLinks_ = std::make_shared<AppleMusicLinkResolver>(
        environment_.regionCode, environment_.catalogueSearchBase,
        environment_.makeSession ? environment_.makeSession() : nullptr);

    // Written back at every construction, so an unreadable value is mended.
    setDownloadQuality(qualityPreference(preferences_, "downloadQuality"));
}

AppModel::~AppModel() = default;

// Start ------------------------------------------------------------------------------

TaskHandle AppModel::start() {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    if (isShuttingDown_) {
        source->finish(Outcome<void>::success());
        return handle;
    }
    after(playback_->restore(), [source](AppModel& self, const Outcome<void>&) {
        self.after(self.downloads_->restore(),
                   [source](AppModel& self, const Outcome<void>&) { self.startAfterRestore(source); });
    });
    return handle;
}

void AppModel::startAfterRestore(std::shared_ptr<TaskSource> source) {
    after(load(), [source](AppModel& self, const Outcome<void>&) { self.startAfterLoad(source); });
}

void AppModel::startAfterLoad(std::shared_ptr<TaskSource> source) {
    if (isShuttingDown_) {
        source->finish(Outcome<void>::success());
        return;
    }
    startConnectivityMonitoring();

    // The consent gate: nothing in the model lifts it; signing in again does.
    if (configuration_ && configuration_->requiresHTTPConsent()) {
        const bool blocked = configuration_->isHTTPBlocked();
        status_.set(blocked ? blockedStatus : consentStatus);
        showError(blocked ? APIError::localHTTPRequired().errorDescription()
                          : APIError::httpConsentRequired().errorDescription());
        source->finish(Outcome<void>::success());
        return;
    }

    if (api_ || !configuration_) {
        startClients(std::move(source));
        return;
    }
    onWorkers(
        [loader = credentialLoader_, account = configuration_->identity()] { return loader(account, false); },
        [source](AppModel& self, Outcome<std::string> password) {
            if (password.hasValue()) {
                if (self.isShuttingDown_) {
                    source->finish(Outcome<void>::success());
                    return;
                }
                self.setApi(self.makeClient(password.get()));
            } else {
                self.credentialReadFailed(password.error(), false);
            }
            self.startClients(source);
        });
}

void AppModel::startClients(std::shared_ptr<TaskSource> source) {
    if (!isShuttingDown_) {
        configureClients();
        if (api_) refresh();
        startPeriodicRefresh();
    }
    source->finish(Outcome<void>::success());
}

std::shared_ptr<APIClient> AppModel::makeClient(const std::string& password) {
    try {
        return std::make_shared<APIClient>(*configuration_, password, main(),
                                           environment_.makeSession ? environment_.makeSession() : nullptr,
                                           environment_.wallClock);
    } catch (...) {
        // No HTTP session could be made: the model runs on without a client.
        reportError(std::current_exception());
        return nullptr;
    }
}

void AppModel::startPeriodicRefresh() {
    periodic_ = std::make_unique<TaskLoop>(main(), refreshInterval, [weak = weak()] {
        if (auto self = weak.lock()) self->refresh();
    });
}

// The saved login ----------------------------------------------------------------------

void AppModel::credentialReadFailed(std::exception_ptr failure, bool showError) {
    bool missing = false;
    try {
        std::rethrow_exception(failure);
    } catch (const CredentialError& credential) {
        missing = credential.code() == CredentialError::itemNotFound;
    } catch (...) {
    }
    credentialsLocked_.set(!missing);
    credentialsMissing_.set(missing);
    status_.set(missing ? missingStatus : lockedStatus);
    if (showError || missing) reportError(failure);
}

TaskHandle AppModel::unlockSavedLogin(bool allowInteraction) {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    // With a client there is nothing to unlock: the activation hook calls this
    // every time the window comes forward, and must not replace a working client.
    if (isShuttingDown_ || !configuration_ || unlockingCredentials_.value() || api_) {
        source->finish(Outcome<void>::success());
        return handle;
    }
    unlockingCredentials_.set(true);
    onWorkers([loader = credentialLoader_, account = configuration_->identity(),
               allowInteraction] { return loader(account, allowInteraction); },
              [source](AppModel& self, Outcome<std::string> password) {
                  if (password.hasValue()) {
                      if (!self.isShuttingDown_) {
                          self.setApi(self.makeClient(password.get()));
                          self.credentialsLocked_.set(false);
                          self.credentialsMissing_.set(false);
                          self.showError(std::nullopt);
                          self.configureClients();
                          self.refresh();
                      }
                  } else {
                      self.credentialReadFailed(password.error(), true);
                  }
                  self.unlockingCredentials_.set(false);
                  source->finish(Outcome<void>::success());
              });
    return handle;
}

// Shutdown -----------------------------------------------------------------------------

TaskHandle AppModel::shutdown() {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    isShuttingDown_ = true;
    cancelSync();
    statisticsTask_.cancel();
    metadataEditTask_.cancel();
    favoriteDownloadToken_ = nextToken();
    downloadObservation_.cancel();
    if (api_) {
        api_->setNetworkAccessEnabled(false);
        if (const auto& session = api_->session()) {
            session->cancelAll();
            session->invalidate();
        }
        setApi(nullptr);
    }
    after(artwork_->shutdown(), [source](AppModel& self, const Outcome<void>&) {
        self.after(self.downloads_->shutdown(), [source](AppModel& self, const Outcome<void>&) {
            self.after(self.playback_->shutdown(),
                       [source](AppModel& self, const Outcome<void>&) { self.finishShutdown(source); });
        });
    });
    return handle;
}

void AppModel::finishShutdown(std::shared_ptr<TaskSource> source) {
    std::vector<TaskHandle> tasks = playlistTasks_;
    tasks.insert(tasks.end(), {syncTask_, statisticsTask_, metadataEditTask_});
    const TaskHandle own = TaskHandle::allFinished(tasks);
    after(own, [source](AppModel& self, const Outcome<void>&) {
        // Last of all: nothing of the model uses the store after this.
        self.onStore([repository = self.repository_.get()] { repository->close(); },
                     [source](AppModel&, Outcome<void> closed) { source->finish(std::move(closed)); });
    });
}

} // namespace sorvalind
