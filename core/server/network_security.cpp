#include "server/network_security.h"

#include "platform/curl/query_item.h"
#include "server/api_error.h"
#include "server/http_host_policy.h"
#include "server/http_session.h"
#include "server/url_error.h"
#include "server/written_url.h"

#include <algorithm>
#include <array>
#include <string>

namespace sorvalind {
namespace {

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isCredentialName(std::string_view name) {
    static constexpr std::array<std::string_view, 9> names = {
        "u", "p", "t", "s", "password", "token", "apikey", "access_token", "authorization"};
    std::string lower = asciiLower(name);
    return std::find(names.begin(), names.end(), lower) != names.end();
}

} // namespace

bool NetworkSecurity::allowsHTTP(const Url& url) noexcept {
    try {
        auto written = WrittenURL::parse(url.absoluteString());
        if (!written) return false;
        auto host = written->host();
        return host && allowsHTTPHost(*host);
    } catch (...) {
        return false;
    }
}

void NetworkSecurity::validateTransport(const Url& url) {
    auto written = WrittenURL::parse(url.absoluteString());
    if (written && written->hasScheme("http") && !allowsHTTP(url)) throw APIError::localHTTPRequired();
}

void NetworkSecurity::validate(const HttpRequest& request) {
    auto written = WrittenURL::parse(request.url.absoluteString());
    if (!written) throw APIError::configuration();
    if (written->hasUser() || written->hasPassword() || written->hasFragment())
        throw APIError::configuration();
    if (written->hasScheme("file")) return;
    if (!(written->hasScheme("http") || written->hasScheme("https")) || !written->host())
        throw APIError::configuration();
    validateTransport(request.url);
    if (auto query = written->query())
        for (const QueryItem& item : parseQueryItems(*query))
            if (isCredentialName(item.name)) throw APIError::unsafeRequest();
    if (headerValue(request.headers, "Authorization") || headerValue(request.headers, "Cookie"))
        throw APIError::unsafeRequest();
}

HttpRequest NetworkSecurity::prepare(const HttpRequest& request) {
    validate(request);
    HttpRequest copy = request;
    std::erase_if(copy.headers, [](const auto& header) {
        std::string name = asciiLower(header.first);
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
