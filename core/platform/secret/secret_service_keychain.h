#pragma once
// The desktop keyring through the Secret Service API (libsecret): items of
// the schema "nl.pwelkin.sorvalind.Password" with the attributes "service"
// and "account", stored in the default collection. A read that may not
// interact never unlocks anything: a locked item answers
// interactionNotAllowed. The connection to the service is made on each call,
// so an object that is never used never touches the session bus.
// Any thread (libsecret's synchronous calls run their own main context);
// throws nothing but std::bad_alloc.

#include "platform/secret/keychain.h"

namespace sorvalind {

class SecretServiceKeychain final : public Keychain {
public:
    // The schema name stored with every item under "xdg:schema".
    static constexpr std::string_view schemaName = "nl.pwelkin.sorvalind.Password";
    // The label the desktop's keyring manager shows for an item.
    static constexpr std::string_view itemLabel = "Sorvalind Navidrome credential";

    KeychainBackend backend() const noexcept override { return KeychainBackend::secretService; }
    KeychainStatus save(const std::string& service, const std::string& account,
                        std::string_view secret) override;
    KeychainRead load(const std::string& service, const std::string& account, bool allowInteraction) override;
    KeychainStatus remove(const std::string& service, const std::string& account) override;
    KeychainStatus removeAll(const std::string& service) override;
    KeychainAttributes attributes(const std::string& service, const std::string& account) override;
};

} // namespace sorvalind
