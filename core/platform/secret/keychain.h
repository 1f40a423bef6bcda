#pragma once
// The keyring seen by the credential store: generic-password items named by a
// service and an account. Backends report every outcome as a status code so
// that the store can carry the same code to the user and over the helper
// protocol; they throw nothing but std::bad_alloc.
// Thread rules: each backend says its own; the store serialises its calls.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace sorvalind {

using KeychainStatus = std::int32_t;

// The status codes every backend speaks.
namespace keychain_status {
inline constexpr KeychainStatus success = 0;
inline constexpr KeychainStatus userCanceled = -128;            // an unlock prompt was dismissed
inline constexpr KeychainStatus notAvailable = -25291;          // no keyring service answers
inline constexpr KeychainStatus authFailed = -25293;            // refused without a more precise reason
inline constexpr KeychainStatus itemNotFound = -25300;          // no item for the service and account
inline constexpr KeychainStatus interactionNotAllowed = -25308; // locked, and no prompt was allowed
inline constexpr KeychainStatus internalError = -26276;         // any other failure of the keyring
} // namespace keychain_status

// Which keyring holds the items.
enum class KeychainBackend {
    secretService, // the desktop's Secret Service (GNOME Keyring, KWallet)
    memory,        // a process-local map, for tests
};

// "secretService" or "memory".
std::string_view rawValue(KeychainBackend backend) noexcept;

struct KeychainRead {
    KeychainStatus status = keychain_status::success;
    std::string secret; // set only on success
};

struct KeychainAttributes {
    KeychainStatus status = keychain_status::success;
    std::map<std::string, std::string> attributes; // set only on success
};

class Keychain {
public:
    virtual ~Keychain() = default;

    virtual KeychainBackend backend() const noexcept = 0;

    // Creates the item or replaces the secret of the existing one. May ask
    // the user to unlock the keyring.
    virtual KeychainStatus save(const std::string& service, const std::string& account,
                                std::string_view secret) = 0;

    // Reads the secret. Without interaction a locked keyring answers
    // interactionNotAllowed instead of prompting.
    virtual KeychainRead load(const std::string& service, const std::string& account,
                              bool allowInteraction) = 0;

    // Deletes the account's item; itemNotFound when there is none.
    virtual KeychainStatus remove(const std::string& service, const std::string& account) = 0;

    // Deletes every item of the service, of every account; itemNotFound when
    // there was none.
    virtual KeychainStatus removeAll(const std::string& service) = 0;

    // The item's stored attributes, without its secret and without prompting.
    virtual KeychainAttributes attributes(const std::string& service, const std::string& account) = 0;
};

} // namespace sorvalind
