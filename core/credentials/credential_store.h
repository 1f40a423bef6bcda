#pragma once
// Keeps the music server's password in the keyring, one item per account.
//
// The same store serves two programs. In the application build every public
// operation first offers itself to the credential helper program (when a
// client is given and its gate is open); otherwise, and always in the helper
// build, it runs in process under the process-wide accessLock. The helper
// build keeps its items under a service of its own and copies a password it
// finds only under a legacy service into it.
//
// Blocking: call from a worker, never from the main actor. Every operation
// but backend() throws CredentialError.

#include "credentials/credential_helper_protocol.h"
#include "errors/credential_error.h"
#include "platform/secret/keychain.h"

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class CredentialHelperClient;

class CredentialStore {
public:
    using Backend = KeychainBackend;
    enum class Build { application, helper };

    static constexpr std::string_view applicationService = "nl.pwelkin.sorvalind.navidrome";
    static constexpr std::string_view helperService = "nl.pwelkin.sorvalind.navidrome.helper-v1";
    static constexpr std::array<std::string_view, 2> legacyServices = {"nl.pwelkin.sorvalind.navidrome",
                                                                       "app.sorvalind.navidrome"};
    static constexpr std::string_view selfTestService = "nl.pwelkin.sorvalind.security-self-test";
    static constexpr std::string_view lifecycleService = "nl.pwelkin.sorvalind.security-lifecycle-test";

    static constexpr std::string_view lifecyclePassed = "Credential lifecycle probe passed.";
    static constexpr std::string_view secretServiceVerified =
        "Keyring verified: Secret Service keyring, items keyed by service and account; "
        "save/read/update/delete passed.";
    static constexpr std::string_view memoryVerified =
        "Keyring verified: in-memory test keyring, items keyed by service and account; "
        "save/read/update/delete passed.";

    // `helper` is consulted only in the application build; it must outlive
    // the store.
    CredentialStore(Keychain& keychain, Build build, const CredentialHelperClient* helper = nullptr) noexcept
        : keychain_(keychain), build_(build), helper_(helper) {}

    Backend backend() const noexcept { return keychain_.backend(); }

    void save(const std::string& password, const std::string& account);
    std::string load(const std::string& account, bool allowInteraction = true);
    // Deletes the account's item of the current service and of the legacy
    // services, so that a later load cannot bring a removed password back.
    void remove(const std::string& account);
    void removeAll();
    std::string verifyCredentialLifecycle(const std::string& action, const std::string& account);
    std::string verifyTemporaryCredential();

    // Serialises every in-process keyring sequence of this process.
    static std::mutex& accessLock() noexcept;

private:
    std::string currentService() const;
    std::optional<std::string> helperRequest(const CredentialHelperRequest& request) const;

    void saveItem(const std::string& password, const std::string& account, const std::string& service);
    std::string loadItem(const std::string& account, const std::string& service, bool allowInteraction);
    void deleteItem(const std::string& account, const std::string& service); // missing is fine
    void clearService(const std::string& service);                           // every account
    std::string migratingLoad(const std::string& account, bool allowInteraction);
    std::string temporaryCredentialCycle(const std::string& account);

    Keychain& keychain_;
    Build build_;
    const CredentialHelperClient* helper_;
};

} // namespace sorvalind
