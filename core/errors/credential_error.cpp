#include "errors/credential_error.h"

namespace sorvalind {
namespace {

const char* describe(std::optional<std::int32_t> code) noexcept {
    if (!code) return "Sorvalind could not verify secure password storage. Please try again.";
    if (*code == CredentialError::itemNotFound)
        return "No saved password was found for this connection. Sign in again to reconnect. Your local "
               "library and downloads are still available.";
    if (*code == CredentialError::missingEntitlement)
        return "This version of Sorvalind cannot securely save or access passwords. Reinstall the app or "
               "contact support.";
    return "Sorvalind could not access password storage. Please try again.";
}

} // namespace

CredentialError::CredentialError(std::optional<std::int32_t> code)
    : std::runtime_error(describe(code)), code_(code) {}

CredentialError CredentialError::status(std::int32_t code) {
    return CredentialError(code);
}
CredentialError CredentialError::verification() {
    return CredentialError(std::nullopt);
}

} // namespace sorvalind
