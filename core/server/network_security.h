#pragma once
// The one network policy every network user applies: which hosts may be
// reached over plain HTTP, the check of every outgoing request, and which
// connection failures are transient. Stateless; any thread.

#include "server/url.h"

#include <exception>

namespace sorvalind {

struct NetworkSecurity {
    NetworkSecurity() = delete;

    // Whether plain HTTP to the URL's host is allowed: localhost and the
    // loopback, private, shared and link-local addresses. Never throws.
    static bool allowsHTTP(const URL& url) noexcept;

    // Throws APIError::localHTTPRequired for plain HTTP to a host that
    // allowsHTTP refuses; every other scheme passes here.
    static void validateTransport(const URL& url);

    // Whether the failure is a transient connection failure (timed out, host
    // not found or unreachable, connection lost, DNS failure, offline).
    static bool isTransientConnectionError(const std::exception_ptr& error) noexcept;
    static bool isTransientConnectionError(const std::exception& error) noexcept;
};

} // namespace sorvalind
