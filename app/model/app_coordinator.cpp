#include "app_coordinator.h"

#include "errors/api_error.h"
#include "errors/feature_failure.h"
#include "errors/safe_error.h"
#include "platform/text/text.h"
#include "runtime/async_call.h"
#include "runtime/cancellation.h"
#include "server/api_client.h"

#include <array>
#include <utility>

namespace sorvalind {

namespace {

constexpr const char* serverKey = "server";
constexpr const char* settingsRoute = "Settings";

Outcome<void> succeeded() {
    return Outcome<void>::success();
}

// Copies one value keeping its type, which the settings store keeps apart.
void copyValue(Preferences& into, const Preferences& from, std::string_view key) {
    if (auto data = from.dataValue(key)) {
        into.setData(key, *data);
    } else if (auto text = from.stringValue(key)) {
        into.setString(key, *text);
    } else if (auto flag = from.boolValue(key)) {
        into.setBool(key, *flag);
    }
}

} // namespace

// What one sign-in carries from step to step.
struct AppCoordinator::SignIn {
    TaskSource source;
    std::string password;
    std::optional<ServerConfiguration> configuration;
    std::shared_ptr<APIClient> client;
    std::vector<APIExtension> extensions;
    std::shared_ptr<AppModel> model;
};

template <class Fn, class Done> void AppCoordinator::onWorkers(Fn fn, Done done) {
    runOn(environment_.workers, environment_.mainActor, std::move(fn),
          whileAlive(weak_from_this(), std::move(done)));
}

template <class Done> void AppCoordinator::after(const TaskHandle& task, Done done) {
    task.whenFinished(environment_.mainActor, whileAlive(weak_from_this(), std::move(done)));
}

template <class Done>
void AppCoordinator::makeModel(std::optional<ServerConfiguration> configuration, Done done) {
    AppModel::make(environment_, std::move(configuration), whileAlive(weak_from_this(), std::move(done)));
}

std::shared_ptr<AppCoordinator> AppCoordinator::create(AppEnvironment environment,
                                                       AppResetStorage resetStorage, Credentials credentials,
                                                       MakeResetModel makeResetModel) {
    return std::make_shared<AppCoordinator>(Private{}, std::move(environment), std::move(resetStorage),
                                            std::move(credentials), std::move(makeResetModel));
}

AppCoordinator::AppCoordinator(Private, AppEnvironment environment, AppResetStorage resetStorage,
                               Credentials credentials, MakeResetModel makeResetModel)
    : environment_(std::move(environment)), resetStorage_(std::move(resetStorage)),
      credentials_(std::move(credentials)), makeResetModel_(std::move(makeResetModel)) {}

// Settings --------------------------------------------------------------------------

void AppCoordinator::showSettings() {
    const auto& model = model_.value();
    if (!model) return;
    model->setQuery("");
    model->setRoute(std::string(settingsRoute));
}

void AppCoordinator::migratePreferences(Preferences& into, const Preferences& previous) {
    for (const char* key : {"server", "streamingQuality", "downloadQuality"})
        if (!into.contains(key) && previous.contains(key)) copyValue(into, previous, key);
}

std::optional<ServerConfiguration> AppCoordinator::savedConfiguration(const Preferences& preferences) {
    const auto data = preferences.dataValue(serverKey);
    if (!data) return std::nullopt;
    const auto json = nlohmann::json::parse(data->begin(), data->end(), nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    try {
        return ServerConfiguration::decode(json);
    } catch (...) {
        // An unreadable saved server opens the unconfigured library, without a message.
        return std::nullopt;
    }
}

// Launch ------------------------------------------------------------------------------

TaskHandle AppCoordinator::launch() {
    if (model_.value() || isResetting_.value() || resetFailed_.value()) return {};
    if (!launching_.isFinished()) return launching_;

    const std::string legacy(legacyApplicationIdentifier);
    PreferenceDomains* domains = resetStorage_.preferences;
    if (environment_.applicationIdentifier == ownApplicationIdentifier && domains &&
        domains->hasPersistentDomain(legacy))
        migratePreferences(environment_.preferences, domains->domain(legacy));

    auto configuration = savedConfiguration(environment_.preferences);
    auto source = std::make_shared<TaskSource>();
    launching_ = source->handle();
    makeModel(configuration,
              [source, configuration](AppCoordinator& self, Outcome<std::shared_ptr<AppModel>> made) {
                  self.launchMade(source, configuration, std::move(made));
              });
    return launching_;
}

void AppCoordinator::launchMade(Source source, std::optional<ServerConfiguration> configuration,
                                Outcome<std::shared_ptr<AppModel>> made) {
    if (!made.hasValue()) {
        startupError_.set(SafeError::message(made.error()));
        source->finish(succeeded());
        return;
    }
    auto model = std::move(made).get();
    // A sign-in or a reset got there first: this model was never started and goes unused.
    if (model_.value() || isResetting_.value() || resetFailed_.value()) {
        source->finish(succeeded());
        return;
    }
    model_.set(model);
    if (configuration && configuration->requiresHTTPConsent()) {
        connectionPresented_.set(true);
        showSettings();
    }
    after(model->start(), [source](AppCoordinator&, const Outcome<void>&) { source->finish(succeeded()); });
}

// Sign-in -------------------------------------------------------------------------------

TaskHandle AppCoordinator::connect(const std::string& url, const std::string& username,
                                   const std::string& password, bool allowInsecureHTTP) {
    auto signIn = std::make_shared<SignIn>();
    TaskHandle handle = signIn->source.handle();
    if (isResetting_.value() || isConnecting_.value()) {
        signIn->source.finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError())));
        return handle;
    }
    isConnecting_.set(true);
    try {
        // A signed-in library forced offline stays offline; the unconfigured one may sign in.
        const auto& current = model_.value();
        if (current && current->configuration() && current->forceOfflineMode().value())
            throw APIError::unavailable(FeatureFailure::offlineMode);
        signIn->configuration.emplace(text::trim(url), username, allowInsecureHTTP);
        signIn->client = std::make_shared<APIClient>(
            *signIn->configuration, password, environment_.mainActor,
            environment_.makeSession ? environment_.makeSession() : nullptr, environment_.wallClock);
    } catch (...) {
        connectFailed(signIn, std::current_exception());
        return handle;
    }
    signIn->password = password;
    onWorkers([client = signIn->client] { return client->validate(); },
              [signIn](AppCoordinator& self, Outcome<std::vector<APIExtension>> extensions) {
                  if (!extensions.hasValue()) return self.connectFailed(signIn, extensions.error());
                  signIn->extensions = std::move(extensions).get();
                  self.connectValidated(signIn);
              });
    return handle;
}

void AppCoordinator::connectValidated(std::shared_ptr<SignIn> signIn) {
    onWorkers([save = credentials_.save, password = std::exchange(signIn->password, {}),
               account = signIn->configuration->identity()] { save(password, account); },
              [signIn](AppCoordinator& self, Outcome<void> saved) {
                  if (!saved.hasValue()) return self.connectFailed(signIn, saved.error());
                  // From here a failure leaves the password saved.
                  self.makeModel(signIn->configuration,
                                 [signIn](AppCoordinator& self, Outcome<std::shared_ptr<AppModel>> made) {
                                     if (!made.hasValue()) return self.connectFailed(signIn, made.error());
                                     signIn->model = std::move(made).get();
                                     self.connectMade(signIn);
                                 });
              });
}

void AppCoordinator::connectMade(std::shared_ptr<SignIn> signIn) {
    AppModel& model = *signIn->model;
    model.setApi(std::exchange(signIn->client, nullptr));
    model.setExtensions(std::move(signIn->extensions));
    const auto old = model_.value();
    // A sign-in started from the settings page stays there.
    if (old && old->route().value() == settingsRoute) model.setRoute(std::string(settingsRoute));
    if (!old) return connectReplace(std::move(signIn), nullptr);
    // The old model is kept alive until its shutdown has ended.
    after(old->shutdown(), [signIn, old](AppCoordinator& self, const Outcome<void>& shutDown) {
        self.connectReplace(signIn, shutDown.error());
    });
}

void AppCoordinator::connectReplace(std::shared_ptr<SignIn> signIn, std::exception_ptr oldShutdownFailure) {
    const auto model = signIn->model;
    // The old model is shut down whatever its store answered: the user goes on
    // in the new one, which shows the old one's failure.
    model_.set(model);
    if (oldShutdownFailure) model->reportError(oldShutdownFailure);
    try {
        const std::string json = signIn->configuration->encode().dump();
        environment_.preferences.setData(serverKey, PreferenceData(json.begin(), json.end()));
    } catch (...) {
        connectFailed(signIn, std::current_exception());
        return;
    }
    connectionPresented_.set(false);
    after(model->start(), [signIn](AppCoordinator& self, const Outcome<void>&) {
        self.isConnecting_.set(false);
        signIn->source.finish(succeeded());
    });
}

void AppCoordinator::connectFailed(const std::shared_ptr<SignIn>& signIn, std::exception_ptr failure) {
    signIn->client.reset();
    signIn->password.clear();
    isConnecting_.set(false);
    signIn->source.finish(Outcome<void>::failure(std::move(failure)));
}

// Reset ------------------------------------------------------------------------------------

TaskHandle AppCoordinator::reset() {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    if (isResetting_.value() || isConnecting_.value()) {
        source->finish(succeeded());
        return handle;
    }
    isResetting_.set(true);
    resetFailed_.set(false);
    startupError_.set(std::nullopt);
    const auto old = model_.value();
    model_.set(nullptr);
    connectionPresented_.set(false);
    if (!old) {
        resetShutDown(std::move(source));
        return handle;
    }
    after(old->shutdown(), [source, old](AppCoordinator& self, const Outcome<void>& shutDown) {
        if (shutDown.error()) return self.resetFailedWith(source, shutDown.error());
        self.resetShutDown(source);
    });
    return handle;
}

void AppCoordinator::resetShutDown(Source source) {
    onWorkers(
        [removeAll = credentials_.removeAll, storage = resetStorage_] {
            // A list that cannot be formed deletes nothing, passwords included.
            storage.checkFolders();
            removeAll();
            storage.clearFolders();
        },
        [source](AppCoordinator& self, Outcome<void> cleared) {
            if (!cleared.hasValue()) return self.resetFailedWith(source, cleared.error());
            // The settings belong to the main actor; only what the folders allowed gets here.
            self.resetStorage_.removeDomains();
            self.resetCleared(source);
        });
}

void AppCoordinator::resetCleared(Source source) {
    auto done =
        whileAlive(weak_from_this(), [source](AppCoordinator& self, Outcome<std::shared_ptr<AppModel>> made) {
            self.resetMade(source, std::move(made));
        });
    if (makeResetModel_) {
        makeResetModel_(std::move(done));
    } else {
        AppModel::make(environment_, std::nullopt, std::move(done));
    }
}

void AppCoordinator::resetMade(Source source, Outcome<std::shared_ptr<AppModel>> made) {
    if (!made.hasValue()) return resetFailedWith(source, made.error());
    auto model = std::move(made).get();
    // Unlike launch and sign-in, the reset shows its model only once it runs.
    after(model->start(), [source, model](AppCoordinator& self, const Outcome<void>&) {
        self.model_.set(model);
        self.isResetting_.set(false);
        source->finish(succeeded());
    });
}

void AppCoordinator::resetFailedWith(const Source& source, std::exception_ptr failure) {
    resetFailed_.set(true);
    startupError_.set(SafeError::message(failure));
    isResetting_.set(false);
    source->finish(succeeded());
}

} // namespace sorvalind
