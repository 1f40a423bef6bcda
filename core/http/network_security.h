#pragma once
// The one network policy every network user applies: which hosts may be
// reached over plain HTTP, the check and hardening of every outgoing
// request, the session every REST-style client uses, and which connection
// failures are transient. Stateless; any thread.

#include "http/http_request.h"
#include "http/http_transport.h"
#include "platform/curl/url.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

struct NetworkSecurity {
    NetworkSecurity() = delete;

    // Whether plain HTTP to the URL's host is allowed: localhost and the
    // loopback, private, shared and link-local addresses. Both the host as
    // written and the host libcurl will connect to must pass, so a shortened
    // form such as "127.1" is refused. Never throws.
    static bool allowsHTTP(const Url& url) noexcept;

    // The URL's host exactly as its text writes it (IPv6 literals with their
    // brackets and zone), or none when the text has no "//" authority or an
    // empty host. Address checks use this rather than the parser's normalised
    // host, which reads "127.1" as 127.0.0.1 and "https:///x" as host "x".
    // Throws only std::bad_alloc.
    static std::optional<std::string> writtenHost(const Url& url);

    // Whether the URL carries a user, a password or a fragment, also an empty
    // one ("https://@h/", "https://h/#"). Throws only std::bad_alloc.
    static bool hasCredentialsOrFragment(const Url& url);

    // Throws APIError::localHTTPRequired for plain HTTP to a host that
    // allowsHTTP refuses; every other scheme passes here.
    static void validateTransport(const Url& url);

    // Throws when the request is not safe to send: APIError::configuration
    // for a user, password or fragment in the URL or a scheme other than
    // http/https (file URLs pass), localHTTPRequired by the transport rule,
    // unsafeRequest for a credential-like query name or an "Authorization"
    // or "Cookie" header.
    static void validate(const HttpRequest& request);

    // validate(), then a copy that forbids caching ("Cache-Control: no-store",
    // "Pragma: no-cache"). The HTTP layer never keeps cookies or caches.
    static HttpRequest prepare(const HttpRequest& request);

    // A new session with the house settings (no redirects, no caches or
    // cookies, TLS 1.2 at least). Throws CurlError when libcurl cannot start.
    static std::shared_ptr<HttpTransport> session();

    // Whether the failure is a transient connection failure (timed out, host
    // not found or unreachable, connection lost, DNS failure, offline).
    static bool isTransientConnectionError(const std::exception_ptr& error) noexcept;
    static bool isTransientConnectionError(const std::exception& error) noexcept;
};

} // namespace sorvalind
