#include "credentials/credential_store.h"

#include "credentials/credential_helper_client.h"
#include "platform/crypto/digest.h"
#include "platform/text/text.h"

namespace sorvalind {
namespace {

namespace ks = keychain_status;

// The fixed head of the lifecycle probe's disposable password.
constexpr std::string_view lifecycleProbePrefix = "sorvalind-lifecycle-probe";
static_assert(lifecycleProbePrefix.size() == 25);

void check(KeychainStatus status) {
    if (status != ks::success) throw CredentialError::status(status);
}

void checkDeleted(KeychainStatus status) {
    if (status != ks::success && status != ks::itemNotFound) throw CredentialError::status(status);
}

bool isNotFound(const CredentialError& error) noexcept {
    return error.code() == ks::itemNotFound;
}

} // namespace

std::mutex& CredentialStore::accessLock() noexcept {
    static std::mutex lock;
    return lock;
}

std::string CredentialStore::currentService() const {
    return std::string(build_ == Build::helper ? helperService : applicationService);
}

std::optional<std::string> CredentialStore::helperRequest(const CredentialHelperRequest& request) const {
    if (build_ != Build::application || !helper_) return std::nullopt;
    return helper_->helperRequest(request, backend());
}

void CredentialStore::saveItem(const std::string& password, const std::string& account,
                               const std::string& service) {
    check(keychain_.save(service, account, password));
}

std::string CredentialStore::loadItem(const std::string& account, const std::string& service,
                                      bool allowInteraction) {
    KeychainRead read = keychain_.load(service, account, allowInteraction);
    check(read.status);
    // A password is text: bytes some other program stored that are not
    // UTF-8 cannot be one, and must not travel on as if they were.
    if (!text::isValidUTF8(read.secret)) throw CredentialError::verification();
    return std::move(read.secret);
}

void CredentialStore::deleteItem(const std::string& account, const std::string& service) {
    checkDeleted(keychain_.remove(service, account));
}

void CredentialStore::clearService(const std::string& service) {
    checkDeleted(keychain_.removeAll(service));
}

void CredentialStore::save(const std::string& password, const std::string& account) {
    // Refused before either route: the helper's request could not carry it,
    // and a load could never give it back.
    if (!text::isValidUTF8(password)) throw CredentialError::verification();
    if (auto answer = helperRequest({"save", account, password, false, std::nullopt})) return;
    std::lock_guard lock(accessLock());
    saveItem(password, account, currentService());
}

std::string CredentialStore::load(const std::string& account, bool allowInteraction) {
    if (auto answer = helperRequest({"load", account, std::nullopt, allowInteraction, std::nullopt}))
        return std::move(*answer);
    std::lock_guard lock(accessLock());
    if (build_ == Build::helper) return migratingLoad(account, allowInteraction);
    return loadItem(account, currentService(), allowInteraction);
}

std::string CredentialStore::migratingLoad(const std::string& account, bool allowInteraction) {
    const std::string current = currentService();
    try {
        return loadItem(account, current, allowInteraction);
    } catch (const CredentialError& error) {
        if (!isNotFound(error)) throw;
    }
    for (std::string_view legacy : legacyServices) {
        try {
            std::string password = loadItem(account, std::string(legacy), allowInteraction);
            saveItem(password, account, current);
            if (loadItem(account, current, false) != password) throw CredentialError::verification();
            return password;
        } catch (const CredentialError& error) {
            if (!isNotFound(error)) throw;
        }
    }
    throw CredentialError::status(ks::itemNotFound);
}

void CredentialStore::remove(const std::string& account) {
    if (auto answer = helperRequest({"remove", account, std::nullopt, false, std::nullopt})) return;
    std::lock_guard lock(accessLock());
    const std::string current = currentService();
    deleteItem(account, current);
    for (std::string_view legacy : legacyServices)
        if (legacy != current) deleteItem(account, std::string(legacy));
}

void CredentialStore::removeAll() {
    if (auto answer = helperRequest({"removeAll", "", std::nullopt, false, std::nullopt})) return;
    std::lock_guard lock(accessLock());
    const std::string current = currentService();
    clearService(current);
    for (std::string_view legacy : legacyServices)
        if (legacy != current) clearService(std::string(legacy));
}

std::string CredentialStore::verifyCredentialLifecycle(const std::string& action,
                                                       const std::string& account) {
    if (!isUUID(account)) throw CredentialError::verification();
    if (auto answer = helperRequest({"lifecycle", account, std::nullopt, false, action}))
        return std::move(*answer);
    std::lock_guard lock(accessLock());
    const std::string service(lifecycleService);
    const std::string probe = std::string(lifecycleProbePrefix) + account;
    if (action == "create") {
        saveItem(probe, account, service);
    } else if (action == "read") {
        if (loadItem(account, service, false) != probe) throw CredentialError::verification();
    } else if (action == "remove") {
        deleteItem(account, service);
    } else {
        throw CredentialError::verification();
    }
    return std::string(lifecyclePassed);
}

std::string CredentialStore::verifyTemporaryCredential() {
    if (auto answer = helperRequest({"verify", "", std::nullopt, false, std::nullopt}))
        return std::move(*answer);
    std::lock_guard lock(accessLock());
    const std::string account = randomUUID();
    clearService(std::string(selfTestService));
    try {
        return temporaryCredentialCycle(account);
    } catch (...) {
        keychain_.remove(std::string(selfTestService), account);
        throw;
    }
}

std::string CredentialStore::temporaryCredentialCycle(const std::string& account) {
    const std::string service(selfTestService);
    const std::string first = randomUUID();
    saveItem(first, account, service);
    if (loadItem(account, service, false) != first) throw CredentialError::verification();
    const std::string second = first + "updated";
    saveItem(second, account, service);
    if (loadItem(account, service, true) != second) throw CredentialError::verification();

    // The item must be found by exactly its service and account.
    KeychainAttributes stored = keychain_.attributes(service, account);
    check(stored.status);
    if (stored.attributes["service"] != service || stored.attributes["account"] != account)
        throw CredentialError::verification();

    check(keychain_.remove(service, account));
    if (keychain_.attributes(service, account).status != ks::itemNotFound)
        throw CredentialError::verification();
    keychain_.remove(service, account);
    return std::string(backend() == Backend::secretService ? secretServiceVerified : memoryVerified);
}

} // namespace sorvalind
