#pragma once
// A keyring held in memory, for tests: items live as long as the object.
// Faults can be injected per operation and service, the keyring can be
// locked (with a chosen outcome for an unlock prompt), and every call is
// counted so that a test can tell whether the keyring was touched at all.
// Any thread (one internal mutex); throws nothing but std::bad_alloc.

#include "platform/secret/keychain.h"

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace sorvalind {

enum class KeychainOperation { save, load, remove, removeAll, attributes };

struct KeychainFault {
    KeychainOperation operation = KeychainOperation::load;
    std::string service; // empty: every service
    KeychainStatus status = keychain_status::internalError;
    // With status success on a load of an existing item: the secret handed
    // back instead of the stored one.
    std::optional<std::string> substituteSecret;
};

class MemoryKeychain final : public Keychain {
public:
    // `reported` is the backend this keyring says it is; a test of the
    // helper route stands it in for the desktop keyring.
    explicit MemoryKeychain(KeychainBackend reported = KeychainBackend::memory) noexcept
        : reported_(reported) {}

    KeychainBackend backend() const noexcept override { return reported_; }
    KeychainStatus save(const std::string& service, const std::string& account,
                        std::string_view secret) override;
    KeychainRead load(const std::string& service, const std::string& account, bool allowInteraction) override;
    KeychainStatus remove(const std::string& service, const std::string& account) override;
    KeychainStatus removeAll(const std::string& service) override;
    KeychainAttributes attributes(const std::string& service, const std::string& account) override;

    // Faults stay until cleared; the first matching one applies.
    void addFault(KeychainFault fault);
    void clearFaults();

    // While locked, a load without interaction answers interactionNotAllowed;
    // with interaction the prompt answers `promptOutcome` (success unlocks).
    void setLocked(bool locked, KeychainStatus promptOutcome = keychain_status::success);

    // Puts an item in place without counting a call or applying faults.
    void seed(const std::string& service, const std::string& account, std::string secret);
    std::optional<std::string> secret(const std::string& service, const std::string& account) const;
    std::vector<std::pair<std::string, std::string>> items() const; // (service, account), sorted
    int calls() const;

private:
    std::optional<KeychainFault> fault(KeychainOperation operation, const std::string& service) const;

    KeychainBackend reported_;
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, std::string> items_;
    std::vector<KeychainFault> faults_;
    bool locked_ = false;
    KeychainStatus promptOutcome_ = keychain_status::success;
    int calls_ = 0;
};

} // namespace sorvalind
