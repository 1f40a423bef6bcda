#include "server/server_configuration.h"

#include "errors/api_error.h"
#include "http/network_security.h"
#include "library/json_coding.h"

namespace sorvalind {
namespace {

Url parsedOrThrow(std::string_view text) {
    auto url = Url::tryParse(text);
    if (!url) throw APIError::configuration();
    return *url;
}

bool isHTTP(const Url& url) {
    return url.scheme() == "http";
}

const nlohmann::json& requiredString(const nlohmann::json& json, const char* key) {
    auto found = json.find(key);
    if (found == json.end() || found->is_null()) throw DecodingError(key, "missing required key");
    if (!found->is_string())
        throw DecodingError(key, std::string("expected a string, found ") + found->type_name());
    return *found;
}

} // namespace

ServerConfiguration::ServerConfiguration(Validated, Url url, std::string username, bool allowInsecureHTTP)
    : url_(std::move(url)), username_(std::move(username)), plainHTTP_(isHTTP(url_)),
      allowInsecureHTTP_(allowInsecureHTTP && plainHTTP_) {}

ServerConfiguration::ServerConfiguration(Url url, std::string username, bool allowInsecureHTTP)
    : ServerConfiguration(Validated{}, std::move(url), std::move(username), allowInsecureHTTP) {
    validateAddress(url_, username_);
    NetworkSecurity::validateTransport(url_);
    if (plainHTTP_ && !allowInsecureHTTP) throw APIError::httpConsentRequired();
}

ServerConfiguration::ServerConfiguration(std::string_view urlText, std::string username,
                                         bool allowInsecureHTTP)
    : ServerConfiguration(parsedOrThrow(urlText), std::move(username), allowInsecureHTTP) {}

void ServerConfiguration::validateAddress(const Url& url, const std::string& username) {
    if (!url.isHTTP()) throw APIError::configuration();
    // The host as written: libcurl would read "https:///x" as host "x".
    if (!NetworkSecurity::writtenHost(url)) throw APIError::configuration();
    if (NetworkSecurity::hasCredentialsOrFragment(url) || url.query()) throw APIError::configuration();
    if (username.empty()) throw APIError::configuration();
}

ServerConfiguration ServerConfiguration::decode(const nlohmann::json& json) {
    if (!json.is_object())
        throw DecodingError("", std::string("expected an object, found ") + json.type_name());
    Url url = parsedOrThrow(requiredString(json, "url").get_ref<const std::string&>());
    std::string username = requiredString(json, "username").get<std::string>();
    validateAddress(url, username);
    bool allow = false;
    if (auto found = json.find("allowInsecureHTTP"); found != json.end() && !found->is_null()) {
        if (!found->is_boolean())
            throw DecodingError("allowInsecureHTTP",
                                std::string("expected a Boolean, found ") + found->type_name());
        allow = found->get<bool>();
    }
    return ServerConfiguration(Validated{}, std::move(url), std::move(username), allow);
}

nlohmann::json ServerConfiguration::encode() const {
    return nlohmann::json{
        {"url", url_.absoluteString()}, {"username", username_}, {"allowInsecureHTTP", allowInsecureHTTP_}};
}

std::string ServerConfiguration::identity() const {
    return url_.absoluteString() + "|" + username_;
}

bool ServerConfiguration::isHTTPBlocked() const noexcept {
    return plainHTTP_ && !NetworkSecurity::allowsHTTP(url_);
}

bool ServerConfiguration::requiresHTTPConsent() const noexcept {
    return plainHTTP_ && (!allowInsecureHTTP_ || !NetworkSecurity::allowsHTTP(url_));
}

} // namespace sorvalind
