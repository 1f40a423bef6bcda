#pragma once
// The one saved server connection: base URL, user name and the user's
// consent to plain HTTP, with the rules that decide whether a plain-HTTP
// server is blocked or needs consent. The password is not part of it.
// Immutable value; any thread. The constructors and decode() throw (see each).

#include "platform/curl/url.h"

#include <nlohmann/json.hpp>

#include <string>

namespace sorvalind {

class ServerConfiguration {
public:
    // Validates the address, the transport rule and the consent rule.
    // Throws APIError: configuration, localHTTPRequired or
    // httpConsentRequired. The consent is kept only for http.
    ServerConfiguration(Url url, std::string username, bool allowInsecureHTTP);
    // The same from the address as typed; text that is no absolute URL
    // throws APIError::configuration.
    ServerConfiguration(std::string_view urlText, std::string username, bool allowInsecureHTTP);

    // Reads the saved form ("url", "username", optional "allowInsecureHTTP").
    // Only the address is validated, so a configuration the policy now
    // refuses still loads. Throws DecodingError for a missing key or a wrong
    // type, APIError::configuration for an invalid address.
    static ServerConfiguration decode(const nlohmann::json& json);
    // All three keys, the URL as its absolute string. Never throws but for
    // allocation.
    nlohmann::json encode() const;

    const Url& url() const noexcept { return url_; }
    const std::string& username() const noexcept { return username_; }
    bool allowInsecureHTTP() const noexcept { return allowInsecureHTTP_; }

    // The URL's absolute string + "|" + user name: the keyring account of the
    // password and, hashed, the name of the server's own folder.
    std::string identity() const;
    // Plain HTTP to a host the policy refuses.
    bool isHTTPBlocked() const noexcept;
    // Plain HTTP without consent, or to a host the policy refuses.
    bool requiresHTTPConsent() const noexcept;

private:
    struct Validated {};
    ServerConfiguration(Validated, Url url, std::string username, bool allowInsecureHTTP);

    static void validateAddress(const Url& url, const std::string& username);

    Url url_;
    std::string username_;
    bool plainHTTP_; // the scheme is http, in any letter case
    bool allowInsecureHTTP_;
};

} // namespace sorvalind
