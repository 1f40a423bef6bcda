#include "errors/api_error.h"

#include "runtime/decimal_text.h"

namespace sorvalind {
namespace {

std::string describe(APIError::Case kind, int code, FeatureFailure feature) {
    using C = APIError::Case;
    switch (kind) {
    case C::server:
        if (code == 40) return "Navidrome rejected the credentials. Check your username and password.";
        if (code >= 41 && code <= 44)
            return "The server does not accept this authentication method (" + decimalText(code) + ").";
        if (code == 50) return "This account does not have permission to perform that operation.";
        return "Navidrome could not complete the request (" + decimalText(code) + ").";
    case C::http:
        if (code >= 300 && code <= 399)
            return "The server redirected the request. Enter its final server URL; authenticated redirects "
                   "are "
                   "blocked.";
        return "The server returned HTTP " + decimalText(code) + ".";
    case C::unavailable:
        return std::string(rawValue(feature));
    case C::configuration:
        return "Enter a valid server URL and username.";
    case C::response:
        return "The server returned an unexpected response.";
    case C::pagination:
        return "The server repeated a library page. Refresh stopped safely to protect your local library.";
    case C::httpConsentRequired:
        return "HTTPS is recommended. To use HTTP, explicitly allow the unencrypted connection in the "
               "connection "
               "dialog.";
    case C::localHTTPRequired:
        return "HTTP is only allowed for localhost or a private network IP address, including Tailscale IPs. "
               "Use "
               "HTTPS for public servers and hostnames, or enter the server\u2019s private IP.";
    case C::unsafeRequest:
        return "An unsafe request was blocked. Authentication cannot be placed in a URL or forwarded through "
               "a "
               "redirect.";
    case C::formPostRequired:
        return "This server must support OpenSubsonic form POST to keep credentials out of request URLs. "
               "Update "
               "the server or check its proxy configuration.";
    }
    return "The operation failed. Please try again.";
}

} // namespace

APIError::APIError(Case kind, int code, std::string serverText, FeatureFailure feature)
    : std::runtime_error(describe(kind, code, feature)), kind_(kind), code_(code),
      serverText_(std::move(serverText)), feature_(feature) {}

APIError APIError::server(int code, std::string text) {
    return APIError(Case::server, code, std::move(text), FeatureFailure{});
}
APIError APIError::http(int status) {
    return APIError(Case::http, status, {}, FeatureFailure{});
}
APIError APIError::unavailable(FeatureFailure failure) {
    return APIError(Case::unavailable, 0, {}, failure);
}
APIError APIError::configuration() {
    return APIError(Case::configuration, 0, {}, FeatureFailure{});
}
APIError APIError::response() {
    return APIError(Case::response, 0, {}, FeatureFailure{});
}
APIError APIError::pagination() {
    return APIError(Case::pagination, 0, {}, FeatureFailure{});
}
APIError APIError::httpConsentRequired() {
    return APIError(Case::httpConsentRequired, 0, {}, FeatureFailure{});
}
APIError APIError::localHTTPRequired() {
    return APIError(Case::localHTTPRequired, 0, {}, FeatureFailure{});
}
APIError APIError::unsafeRequest() {
    return APIError(Case::unsafeRequest, 0, {}, FeatureFailure{});
}
APIError APIError::formPostRequired() {
    return APIError(Case::formPostRequired, 0, {}, FeatureFailure{});
}

} // namespace sorvalind
