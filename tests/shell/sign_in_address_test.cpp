// The sign-in form's local address rules: which typed addresses ask for
// HTTP, which HTTP hosts are refused outright, and when Connect is enabled.

#include "shell/sign_in_address.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

TEST(SignInAddressTest, ReadsHTTPAndRefusedHostsFromTheTypedAddress) {
    struct Case {
        const char* address;
        bool http;
        bool blocked;
    };
    const Case cases[] = {
        // Blanks around the address are not part of it.
        {" http://192.168.1.5:4533/ ", true, false},
        {"\n\thttp://127.0.0.1:4533\n", true, false},
        // The scheme is compared in lower case.
        {"HTTP://10.0.0.2", true, false},
        {"http://[fd00::1]/", true, false},
        {"http://100.101.102.103", true, false},
        {"http://localhost:4533", true, false},
        // A host name other than localhost needs HTTPS, consent or not.
        {"http://music.example.com", true, true},
        {"http://8.8.8.8", true, true},
        // The shortened form a resolver widens is refused too.
        {"http://127.1", true, true},
        {"https://music.example.com", false, false},
        {"https://192.168.1.5", false, false},
        // No scheme, or no URL at all: no HTTP row.
        {"localhost:4533", false, false},
        {"not a url", false, false},
        {"", false, false},
        {"   ", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("address: '") + c.address + "'");
        EXPECT_EQ(SignInAddress::isHTTP(c.address), c.http);
        EXPECT_EQ(SignInAddress::isHTTPBlocked(c.address), c.blocked);
    }
}

TEST(SignInAddressTest, ConnectNeedsEveryFieldAndTheHTTPRules) {
    struct Case {
        const char* name;
        SignInFields fields;
        bool enabled;
    };
    const Case cases[] = {
        {"complete HTTPS", {"https://music.example.com", "alice", "sesame"}, true},
        // Fields are tested as typed: blanks count as content.
        {"blank address", {"   ", "alice", "sesame"}, true},
        {"no address", {"", "alice", "sesame"}, false},
        {"no user", {"https://music.example.com", "", "sesame"}, false},
        {"no password", {"https://music.example.com", "alice", ""}, false},
        {"private HTTP without consent", {"http://192.168.1.5:4533", "alice", "sesame"}, false},
        {"private HTTP with consent", {"http://192.168.1.5:4533", "alice", "sesame", true}, true},
        {"public HTTP with consent", {"http://music.example.com", "alice", "sesame", true}, false},
        {"working", {"https://music.example.com", "alice", "sesame", false, true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(connectEnabled(c.fields), c.enabled);
    }
}

} // namespace
} // namespace sorvalind
