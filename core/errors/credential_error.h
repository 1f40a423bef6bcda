#pragma once
// The credential store's one error type: a keyring or credential-helper
// status code, or a failed verification. what() is the sentence the user
// sees. Immutable value; any thread.

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace sorvalind {

class CredentialError : public std::runtime_error {
public:
    // Status codes the store and the helper protocol give meaning to.
    static constexpr std::int32_t itemNotFound = -25300;
    static constexpr std::int32_t missingEntitlement = -34018;
    static constexpr std::int32_t generic = -25293;

    static CredentialError status(std::int32_t code);
    static CredentialError verification();

    bool isVerification() const noexcept { return !code_; }
    // The status code, or none for a failed verification.
    std::optional<std::int32_t> code() const noexcept { return code_; }

    friend bool operator==(const CredentialError& a, const CredentialError& b) noexcept {
        return a.code_ == b.code_;
    }

private:
    explicit CredentialError(std::optional<std::int32_t> code);

    std::optional<std::int32_t> code_;
};

} // namespace sorvalind
