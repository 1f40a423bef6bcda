#pragma once
// Which hosts may be reached over plain HTTP: localhost and the loopback,
// private, shared (carrier-grade NAT, as used by Tailscale) and link-local
// ranges of IPv4 and IPv6. Any thread; never throws.

#include <array>
#include <cstdint>
#include <string_view>

namespace sorvalind {

// `host` is a URL's host as written, IPv6 literals with or without their
// brackets and zone. Anything that is not localhost or an address that
// parses in strict form is refused.
bool allowsHTTPHost(std::string_view host) noexcept;

// The IPv4 part of the rule, on the four bytes of an address.
bool allowsHTTPIPv4(const std::array<std::uint8_t, 4>& address) noexcept;

} // namespace sorvalind
