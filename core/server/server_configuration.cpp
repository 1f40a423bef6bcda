#include "server/server_configuration.h"

#include "library/json_coding.h"
#include "server/api_error.h"
#include "server/network_security.h"
#include "server/written_url.h"

namespace sorvalind {
namespace {

Url parsedOrThrow(std::string_view text) {
    auto url = Url::tryParse(text);
    if (!url) throw APIError::configuration();
    return *url;
}

// Scheme, host and credentials are judged on the text as written; see
// WrittenURL for why.
WrittenURL written(const Url& url) {
    auto parts = WrittenURL::parse(url.absoluteString());
    if (!parts) throw APIError::configuration();
    return *parts;
}

bool isHTTP(const Url& url) noexcept {
    auto parts = WrittenURL::parse(url.absoluteString());
    return parts && parts->hasScheme("http");
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
    : url_(std::move(url)), username_(std::move(username)),
      allowInsecureHTTP_(allowInsecureHTTP && isHTTP(url_)) {}

ServerConfiguration::ServerConfiguration(Url url, std::string username, bool allowInsecureHTTP)
    : ServerConfiguration(Validated{}, std::move(url), std::move(username), allowInsecureHTTP) {
    validateAddress(url_, username_);
    NetworkSecurity::validateTransport(url_);
    if (isHTTP(url_) && !allowInsecureHTTP) throw APIError::httpConsentRequired();
}

ServerConfiguration::ServerConfiguration(std::string_view urlText, std::string username,
                                         bool allowInsecureHTTP)
    : ServerConfiguration(parsedOrThrow(urlText), std::move(username), allowInsecureHTTP) {}

void ServerConfiguration::validateAddress(const Url& url, const std::string& username) {
    WrittenURL parts = written(url);
    if (!parts.hasScheme("https") && !parts.hasScheme("http")) throw APIError::configuration();
    if (!parts.host()) throw APIError::configuration();
    if (parts.hasUser() || parts.hasPassword() || parts.query() || parts.hasFragment())
        throw APIError::configuration();
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
    return isHTTP(url_) && !NetworkSecurity::allowsHTTP(url_);
}

bool ServerConfiguration::requiresHTTPConsent() const noexcept {
    return isHTTP(url_) && (!allowInsecureHTTP_ || !NetworkSecurity::allowsHTTP(url_));
}

} // namespace sorvalind
