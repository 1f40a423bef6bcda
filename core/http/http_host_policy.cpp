#include "http/http_host_policy.h"

#include "platform/text/text.h"

#include <arpa/inet.h>

#include <cstring>
#include <string>

namespace sorvalind {

bool allowsHTTPIPv4(const std::array<std::uint8_t, 4>& a) noexcept {
    switch (a[0]) {
    case 10:
    case 127:
        return true;
    case 100:
        return a[1] >= 64 && a[1] <= 127;
    case 169:
        return a[1] == 254;
    case 172:
        return a[1] >= 16 && a[1] <= 31;
    case 192:
        return a[1] == 168;
    default:
        return false;
    }
}

bool allowsHTTPHost(std::string_view hostText) noexcept {
    if (hostText.empty()) return false;
    std::string host;
    try {
        // ASCII lower-casing: the only names that matter here are ASCII, and
        // a host with other letters is refused whatever its case.
        host = text::asciiLower(hostText);
    } catch (...) {
        return false;
    }
    if (host == "localhost" || host == "localhost.") return true;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);

    if (host.find(':') != std::string::npos) {
        host = host.substr(0, host.find('%'));
        std::uint8_t b[16];
        if (inet_pton(AF_INET6, host.c_str(), b) != 1) return false;
        static constexpr std::uint8_t mappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        if (std::memcmp(b, mappedPrefix, 12) == 0) return allowsHTTPIPv4({b[12], b[13], b[14], b[15]});
        static constexpr std::uint8_t loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        if (std::memcmp(b, loopback, 16) == 0) return true;
        if ((b[0] & 0xFE) == 0xFC) return true;
        if (b[0] == 0xFE && b[1] >= 0x80 && b[1] <= 0xBF) return true;
        return false;
    }

    std::uint8_t b[4];
    if (inet_pton(AF_INET, host.c_str(), b) != 1) return false;
    return allowsHTTPIPv4({b[0], b[1], b[2], b[3]});
}

} // namespace sorvalind
