#include "shell/verification_modes.h"

#include "credentials/credential_store.h"
#include "errors/safe_error.h"
#include "model/app_coordinator.h"
#include "model/app_identifiers.h"
#include "platform/qt_preferences.h"
#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "shell/desktop_environment.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace sorvalind {

namespace {

constexpr std::string_view lifecycleOption = "--credential-lifecycle";
constexpr std::string_view savedConnectionOption = "--verify-saved-connection";
constexpr std::string_view storageOption = "--verify-credential-storage";

bool has(const std::vector<std::string>& arguments, std::string_view option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

// The keyring the desktop gives the application, with the helper as built.
struct Keyring {
    std::unique_ptr<Keychain> keychain = DesktopEnvironment::makeKeychain(false);
    CredentialHelperClient helper{DesktopEnvironment::helperGate()};
    CredentialStore store{*keychain, CredentialStore::Build::application, &helper};
};

template <class Check> VerificationResult passOrMessage(Check check) {
    try {
        return {check(), 0};
    } catch (...) {
        return {SafeError::message(std::current_exception()), 1};
    }
}

VerificationResult verifySavedConnection() {
    std::optional<ServerConfiguration> configuration;
    {
        const QtPreferences preferences(QtPreferences::defaultFolder(),
                                        std::string(ownApplicationIdentifier));
        configuration = AppCoordinator::savedConfiguration(preferences);
    }
    if (!configuration) return {noSavedConnectionLine, 1};
    return passOrMessage([&] {
        Keyring keyring;
        const std::string password = keyring.store.load(configuration->identity(), false);
        // The client's callbacks and retry timers run on a queue of their
        // own while this thread waits for the answer.
        SerialQueue mainActor("sorvalind-verification");
        {
            APIClient client(*configuration, password, mainActor);
            client.validate();
        }
        mainActor.shutdown();
        return std::string(savedConnectionPassedLine);
    });
}

} // namespace

VerificationRequest VerificationRequest::parse(const std::vector<std::string>& arguments) {
    const auto lifecycle = std::find(arguments.begin(), arguments.end(), lifecycleOption);
    if (lifecycle != arguments.end() && arguments.end() - lifecycle == 3)
        return {Mode::credentialLifecycle, *(lifecycle + 1), *(lifecycle + 2)};
    if (has(arguments, savedConnectionOption)) return {Mode::savedConnection, {}, {}};
    if (has(arguments, storageOption)) return {Mode::credentialStorage, {}, {}};
    return {};
}

VerificationResult runVerification(const VerificationRequest& request) {
    switch (request.mode) {
    case VerificationRequest::Mode::credentialLifecycle:
        return passOrMessage([&] {
            Keyring keyring;
            return keyring.store.verifyCredentialLifecycle(request.action, request.account);
        });
    case VerificationRequest::Mode::savedConnection:
        return verifySavedConnection();
    case VerificationRequest::Mode::credentialStorage:
        return passOrMessage([] {
            Keyring keyring;
            return keyring.store.verifyTemporaryCredential();
        });
    case VerificationRequest::Mode::none:
        break;
    }
    return {"", 1};
}

int runVerificationModeIfRequested(int argc, char** argv) {
    const VerificationRequest request =
        VerificationRequest::parse(std::vector<std::string>(argv, argv + argc));
    if (request.mode == VerificationRequest::Mode::none) return -1;
    // The libraries below may warn on standard error; the modes never do.
    if (const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0) {
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    const VerificationResult result = runVerification(request);
    std::fwrite(result.line.data(), 1, result.line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return result.status;
}

} // namespace sorvalind
