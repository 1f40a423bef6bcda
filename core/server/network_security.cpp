#include "server/network_security.h"

#include "server/api_error.h"
#include "server/http_host_policy.h"
#include "server/url_error.h"

namespace sorvalind {

bool NetworkSecurity::allowsHTTP(const URL& url) noexcept {
    auto host = url.host();
    return host && allowsHTTPHost(*host);
}

void NetworkSecurity::validateTransport(const URL& url) {
    if (url.hasScheme("http") && !allowsHTTP(url)) throw APIError::localHTTPRequired();
}

bool NetworkSecurity::isTransientConnectionError(const std::exception& error) noexcept {
    auto* url = dynamic_cast<const URLError*>(&error);
    if (!url) return false;
    switch (url->code()) {
    case URLError::timedOut:
    case URLError::cannotFindHost:
    case URLError::cannotConnectToHost:
    case URLError::networkConnectionLost:
    case URLError::dnsLookupFailed:
    case URLError::notConnectedToInternet:
        return true;
    default:
        return false;
    }
}

bool NetworkSecurity::isTransientConnectionError(const std::exception_ptr& error) noexcept {
    if (!error) return false;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return isTransientConnectionError(e);
    } catch (...) {
        return false;
    }
}

} // namespace sorvalind
