#include "http/network_security.h"

#include "errors/api_error.h"
#include "errors/url_error.h"
#include "http/http_host_policy.h"
#include "http/http_session.h"
#include "http/url_redaction.h"
#include "platform/curl/query_item.h"
#include "platform/text/text.h"

#include <algorithm>
#include <string_view>

namespace sorvalind {
namespace {} // namespace

std::optional<std::string> NetworkSecurity::writtenHost(const Url& url) {
    // A scheme never holds ":", so the first one ends it.
    std::string_view text = url.absoluteString();
    std::size_t schemeEnd = text.find(':');
    if (schemeEnd == std::string_view::npos || text.compare(schemeEnd + 1, 2, "//") != 0) return std::nullopt;
    std::string_view authority = text.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (std::size_t userEnd = authority.rfind('@'); userEnd != std::string_view::npos)
        authority.remove_prefix(userEnd + 1);
    std::string_view host;
    if (!authority.empty() && authority.front() == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = authority.substr(0, close + 1);
    } else {
        host = authority.substr(0, authority.find(':'));
    }
    if (host.empty()) return std::nullopt;
    return std::string(host);
}

bool NetworkSecurity::hasCredentialsOrFragment(const Url& url) {
    // libcurl drops an empty fragment, so the text itself is asked: outside
    // a fragment a URL cannot hold a bare "#".
    return url.user() || url.password() || url.absoluteString().find('#') != std::string::npos;
}

bool NetworkSecurity::allowsHTTP(const Url& url) noexcept {
    try {
        // The written host catches the forms libcurl would rewrite into an
        // allowed address; libcurl's own host is the one it connects to.
        std::optional<std::string> written = writtenHost(url);
        return written && allowsHTTPHost(*written) && allowsHTTPHost(url.host());
    } catch (...) {
        return false;
    }
}

void NetworkSecurity::validateTransport(const Url& url) {
    if (url.scheme() == "http" && !allowsHTTP(url)) throw APIError::localHTTPRequired();
}

void NetworkSecurity::validate(const HttpRequest& request) {
    const Url& url = request.url;
    if (hasCredentialsOrFragment(url)) throw APIError::configuration();
    if (url.isFile()) return;
    if (!url.isHTTP() || !writtenHost(url)) throw APIError::configuration();
    validateTransport(url);
    for (const QueryItem& item : url.queryItems())
        if (isCredentialQueryName(item.name)) throw APIError::unsafeRequest();
    if (headerValue(request.headers, "Authorization") || headerValue(request.headers, "Cookie"))
        throw APIError::unsafeRequest();
}

HttpRequest NetworkSecurity::prepare(const HttpRequest& request) {
    validate(request);
    HttpRequest copy = request;
    std::erase_if(copy.headers, [](const auto& header) {
        std::string name = text::asciiLower(header.first);
        return name == "cache-control" || name == "pragma";
    });
    copy.headers.emplace_back("Cache-Control", "no-store");
    copy.headers.emplace_back("Pragma", "no-cache");
    return copy;
}

std::shared_ptr<HttpTransport> NetworkSecurity::session() {
    return std::make_shared<HttpSession>();
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
