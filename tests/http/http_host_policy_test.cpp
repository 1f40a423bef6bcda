#include "http/http_host_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvalind {
namespace {

TEST(HTTPHostPolicy, LocalAndPrivateHostsAreAllowed) {
    const std::vector<std::string> allowed = {
        "localhost",
        "LOCALHOST",
        "localhost.",
        "127.0.0.1",
        "10.1.2.3",
        "100.64.0.1",
        "100.127.255.255",
        "169.254.10.10",
        "172.16.0.1",
        "172.31.255.255",
        "192.168.1.10",
        "[::1]",
        "::1",
        "[::ffff:192.168.1.2]",
        "[fd12::1]",
        "[FD12::1]",
        "[fe80::1%en0]",
        "[fe80::1%25en0]",
        "[febf::1]",
        "[fc00::]",
    };
    for (const auto& host : allowed)
        EXPECT_TRUE(allowsHTTPHost(host)) << host;
}

TEST(HTTPHostPolicy, PublicAddressesAndHostNamesAreRefused) {
    const std::vector<std::string> refused = {
        "",
        "example.com",
        "music.localhost",
        "localhost.localdomain",
        "8.8.8.8",
        "100.128.0.1",
        "100.63.255.255",
        "172.32.0.1",
        "172.15.255.255",
        "169.253.1.1",
        "192.169.0.1",
        "0.0.0.0",
        "127.1",
        "010.1.2.3",
        "10.1.2.3.",
        "[::]",
        "[2001:db8::1]",
        "[fec0::1]",
        "[::ffff:8.8.8.8]",
        "[fe80::1",
        "[not:an:address]",
        "[]",
        "1.2.3.4%eth0",
    };
    for (const auto& host : refused)
        EXPECT_FALSE(allowsHTTPHost(host)) << host;
}

} // namespace
} // namespace sorvalind
