#pragma once
// The application's one owner of the current AppModel: it opens the saved
// account at launch, signs in to a new account and resets the application to
// a fresh, unconfigured state. It alone replaces the model, always shutting
// the previous one down first, and publishes what the main window needs to
// choose between progress, the library, the connection settings and the
// start-up failure.
//
// Main actor only, every member; own it in a shared_ptr (create()). Work that
// outlives a call holds the coordinator weakly. Dropping the coordinator does
// not shut its model down (quitting runs no shutdown).

#include "app_environment.h"
#include "app_model.h"
#include "app_reset_storage.h"

#include "runtime/published.h"
#include "runtime/task_handle.h"
#include "server/server_configuration.h"
#include "services/preferences.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

class AppCoordinator : public std::enable_shared_from_this<AppCoordinator> {
public:
    // Blocking keyring work, run on the environment's workers.
    using SaveCredential = std::function<void(const std::string& password, const std::string& account)>;
    using RemoveCredentials = std::function<void()>;
    // Builds the model that follows a reset; the default makes the
    // unconfigured model.
    using MakeResetModel = std::function<void(AppModel::MadeCallback done)>;

    struct Credentials {
        SaveCredential save;
        RemoveCredentials removeAll;
    };

    static std::shared_ptr<AppCoordinator> create(AppEnvironment environment, AppResetStorage resetStorage,
                                                  Credentials credentials,
                                                  MakeResetModel makeResetModel = {});

    // Published state ---------------------------------------------------------

    // None before launch made one, after a failed launch, during a reset and
    // after a failed one.
    const Published<std::shared_ptr<AppModel>>& model() const noexcept { return model_; }
    // The connection settings are to be shown; the views clear it too.
    const Published<bool>& connectionPresented() const noexcept { return connectionPresented_; }
    void setConnectionPresented(bool presented) { connectionPresented_.set(presented); }
    const Published<std::optional<std::string>>& startupError() const noexcept { return startupError_; }
    const Published<bool>& isResetting() const noexcept { return isResetting_; }
    const Published<bool>& isConnecting() const noexcept { return isConnecting_; }
    // Launch stays blocked until a reset succeeds.
    const Published<bool>& resetFailed() const noexcept { return resetFailed_; }
    const AppResetStorage& resetStorage() const noexcept { return resetStorage_; }

    // Operations ----------------------------------------------------------------

    // Opens the saved account's model (or the unconfigured one), publishes
    // and starts it; at once when a model exists, a reset runs or failed, or
    // a launch is under way (its task is answered). Never fails: a failure
    // becomes `startupError`.
    TaskHandle launch();
    // Signs in: validates the connection, saves the password, makes the new
    // model with the validated client, shuts the old one down, publishes,
    // saves the configuration and starts the new model. Ends with the error
    // for the sign-in form; `isConnecting` is false again by then.
    TaskHandle connect(const std::string& url, const std::string& username, const std::string& password,
                       bool allowInsecureHTTP);
    // Shuts the model down, deletes every password, folder and settings
    // domain, and opens a started unconfigured model. Never fails: a failure
    // becomes `resetFailed` and `startupError`. At once while a sign-in or
    // another reset runs.
    TaskHandle reset();
    // Shows the settings page of the current model, if any.
    void showSettings();

    // Copies the settings an earlier build kept under its former identifier
    // ("server", "streamingQuality", "downloadQuality") into `into` where
    // `into` has no value for the key; `previous` is left as it is.
    static void migratePreferences(Preferences& into, const Preferences& previous);
    // The configuration saved under "server"; none when missing or unreadable.
    static std::optional<ServerConfiguration> savedConfiguration(const Preferences& preferences);

private:
    struct Private {};

public:
    AppCoordinator(Private, AppEnvironment environment, AppResetStorage resetStorage, Credentials credentials,
                   MakeResetModel makeResetModel);

private:
    struct SignIn;
    using Source = std::shared_ptr<TaskSource>;

    // Main-actor hops that end quietly once the coordinator is gone.
    template <class Fn, class Done> void onWorkers(Fn fn, Done done);
    template <class Done> void after(const TaskHandle& task, Done done);
    // AppModel::make, its answer back here while the coordinator exists.
    template <class Done> void makeModel(std::optional<ServerConfiguration> configuration, Done done);

    void launchMade(Source source, std::optional<ServerConfiguration> configuration,
                    Outcome<std::shared_ptr<AppModel>> made);
    void connectValidated(std::shared_ptr<SignIn> signIn);
    void connectMade(std::shared_ptr<SignIn> signIn);
    void connectReplace(std::shared_ptr<SignIn> signIn, std::exception_ptr oldShutdownFailure);
    void connectFailed(const std::shared_ptr<SignIn>& signIn, std::exception_ptr failure);
    void resetShutDown(Source source);
    void resetCleared(Source source);
    void resetMade(Source source, Outcome<std::shared_ptr<AppModel>> made);
    void resetFailedWith(const Source& source, std::exception_ptr failure);

    AppEnvironment environment_;
    const AppResetStorage resetStorage_;
    const Credentials credentials_;
    const MakeResetModel makeResetModel_;

    Published<std::shared_ptr<AppModel>> model_;
    Published<bool> connectionPresented_{false};
    Published<std::optional<std::string>> startupError_;
    Published<bool> isResetting_{false};
    Published<bool> isConnecting_{false};
    Published<bool> resetFailed_{false};
    // The launch under way, answered to a second launch().
    TaskHandle launching_;
};

} // namespace sorvalind
