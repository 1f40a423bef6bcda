#include "errors/url_error.h"

namespace sorvalind {

const char* urlErrorMessage(int code) noexcept {
    if (code >= -1205 && code <= -1200)
        return "The secure connection could not be verified. Check the server's HTTPS certificate.";
    switch (code) {
    case URLError::notConnectedToInternet:
    case URLError::networkConnectionLost:
        return "The network connection is unavailable. Your local library is still available.";
    case URLError::dnsLookupFailed:
    case URLError::cannotConnectToHost:
    case URLError::cannotFindHost:
        return "Cannot connect to the server. Check its address and your network.";
    case URLError::timedOut:
        return "The server did not respond in time. Please try again.";
    case URLError::cancelled:
        return "The request was cancelled.";
    default:
        return "The network request failed. Please try again.";
    }
}

URLError::URLError(int code) : std::runtime_error(urlErrorMessage(code)), code_(code) {}

} // namespace sorvalind
