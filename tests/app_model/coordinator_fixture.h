#pragma once
// A coordinator over the model fixture: the fixture's settings are the
// application's own domain beside an in-memory former domain, the passwords
// live in a real credential store on an in-memory keyring, and the reset
// deletes the live folders under the fixture's temporary folder.

#include "app_model_fixture.h"

#include "credentials/credential_store.h"
#include "errors/credential_error.h"
#include "errors/safe_error.h"
#include "model/app_coordinator.h"
#include "platform/secret/memory_keychain.h"
#include "services/in_memory_preference_domains.h"

#include <nlohmann/json.hpp>

namespace sorvalind::test {

// The fixture's settings as the application's own domain; every other
// domain in memory.
class FixtureDomains final : public PreferenceDomains {
public:
    FixtureDomains(InMemoryPreferences& own, std::string ownName) : own_(own), ownName_(std::move(ownName)) {}
    bool hasPersistentDomain(const std::string& name) const override {
        return name == ownName_ ? !own_.empty() : others_.hasPersistentDomain(name);
    }
    Preferences& domain(const std::string& name) override {
        return name == ownName_ ? own_ : others_.domain(name);
    }
    void removePersistentDomain(const std::string& name) override {
        if (name == ownName_) {
            own_.removeAll();
        } else {
            others_.removePersistentDomain(name);
        }
    }

private:
    InMemoryPreferences& own_;
    std::string ownName_;
    InMemoryPreferenceDomains others_;
};

struct CoordinatorFixture : AppModelFixture {
    FixtureDomains domains{preferences, std::string(ownApplicationIdentifier)};
    MemoryKeychain keychain;
    CredentialStore credentialStore{keychain, CredentialStore::Build::application};
    std::shared_ptr<AppCoordinator> coordinator;

    void TearDown() override {
        openKeyring();
        // The coordinator's model is the one to shut down; the base shuts down `model`.
        if (coordinator && coordinator->model().value()) model = coordinator->model().value();
        AppModelFixture::TearDown();
    }

    AppCoordinator::Credentials credentials() {
        return {
            .save = [this](const std::string& password,
                           const std::string& account) { credentialStore.save(password, account); },
            .removeAll = [this] { credentialStore.removeAll(); },
        };
    }

    void makeCoordinator(AppEnvironment environment) {
        coordinator = AppCoordinator::create(
            environment, AppResetStorage::live(paths, domains, environment.applicationIdentifier),
            credentials());
    }
    void makeCoordinator() { makeCoordinator(environment()); }

    // Settings data holding exactly `text`.
    static PreferenceData rawData(const std::string& text) {
        return PreferenceData(text.begin(), text.end());
    }
    // The saved form of a configuration, as sign-in writes it.
    static PreferenceData saved(const nlohmann::json& json) { return rawData(json.dump()); }
    void saveServer(const ServerConfiguration& configuration) {
        preferences.setData("server", saved(configuration.encode()));
    }

    const std::shared_ptr<AppModel>& current() const { return coordinator->model().value(); }

    // Launches and waits for the model's start and first synchronisation.
    void launch() {
        await(coordinator->launch());
        if (current()) drive([&] { return !current()->syncing().value(); });
    }

    // Signs in and answers the failure, if any; waits for the first synchronisation.
    std::exception_ptr connect(const std::string& url, const std::string& username,
                               const std::string& password, bool allowInsecureHTTP = true) {
        const TaskHandle signIn = coordinator->connect(url, username, password, allowInsecureHTTP);
        std::optional<Outcome<void>> ended;
        signIn.whenFinished(main, [&](const Outcome<void>& outcome) { ended = outcome; });
        drive([&] { return ended.has_value(); });
        if (!ended->error() && current()) drive([&] { return !current()->syncing().value(); });
        return ended->error();
    }
    std::exception_ptr connect(const std::string& password = "sesame") {
        return connect(server->baseUrl(), "alice", password);
    }

    void reset() { await(coordinator->reset()); }

    std::optional<std::string> savedPassword(const std::string& account) {
        try {
            return credentialStore.load(account, false);
        } catch (const CredentialError&) {
            return std::nullopt;
        }
    }
};

inline std::string messageOf(const std::exception_ptr& failure) {
    return failure ? SafeError::message(failure) : std::string("(no failure)");
}

} // namespace sorvalind::test
