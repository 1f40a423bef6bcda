#pragma once
// The wire types of the credential helper: one compact JSON request on the
// helper's standard input, one JSON response on its standard output, each at
// most credentialHelperMessageLimit bytes. Keys a type does not know are
// ignored; null counts as absent. Any thread; pure functions.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

inline constexpr std::size_t credentialHelperMessageLimit = 1'048'576;

struct CredentialHelperRequest {
    std::string operation;
    std::string account;
    std::optional<std::string> password;
    bool allowInteraction = false;
    std::optional<std::string> action;

    friend bool operator==(const CredentialHelperRequest&, const CredentialHelperRequest&) = default;
};

struct CredentialHelperResponse {
    std::optional<std::string> value;
    std::optional<std::int32_t> status;

    friend bool operator==(const CredentialHelperResponse&, const CredentialHelperResponse&) = default;
};

// Compact JSON; "password", "action", "value" and "status" only when present.
std::string encode(const CredentialHelperRequest& request);
std::string encode(const CredentialHelperResponse& response);

// None when the text is not one JSON object of the right shape: a missing
// required key, a value of the wrong type, a status outside 32 bits.
std::optional<CredentialHelperRequest> decodeCredentialHelperRequest(std::string_view text) noexcept;
std::optional<CredentialHelperResponse> decodeCredentialHelperResponse(std::string_view text) noexcept;

} // namespace sorvalind
