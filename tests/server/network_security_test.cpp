#include "server/api_error.h"
#include "server/network_security.h"
#include "server/url_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvalind {
namespace {

URL url(const std::string& text) {
    auto parsed = URL::parse(text);
    EXPECT_TRUE(parsed.has_value()) << text;
    return parsed.value_or(*URL::parse("https://unparsed.invalid"));
}

TEST(NetworkSecurity, PlainHTTPIsJudgedOnTheHostAsWritten) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"http://localhost:4533/", true},   {"http://LOCALHOST/", true},
        {"http://[::1]:4533/music", true},  {"http://[fe80::1%25en0]/", true},
        {"http://user@192.168.1.2/", true}, {"http://127.1/", false},
        {"http://2130706433/", false},      {"http://0x7f.0.0.1/", false},
        {"http://music.localhost/", false}, {"file:///tmp/x", false},
    };
    for (const auto& [text, allowed] : cases)
        EXPECT_EQ(NetworkSecurity::allowsHTTP(url(text)), allowed) << text;
}

TEST(NetworkSecurity, TransportRuleAppliesOnlyToPlainHTTP) {
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(url("https://8.8.8.8/")));
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(url("ftp://8.8.8.8/")));
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(url("HTTP://10.0.0.1/")));
    try {
        NetworkSecurity::validateTransport(url("HTTP://8.8.8.8/"));
        FAIL();
    } catch (const APIError& error) {
        EXPECT_EQ(error.kind(), APIError::Case::localHTTPRequired);
    }
}

TEST(NetworkSecurity, TransientConnectionErrors) {
    for (int code : {-1001, -1003, -1004, -1005, -1006, -1009})
        EXPECT_TRUE(NetworkSecurity::isTransientConnectionError(std::make_exception_ptr(URLError(code))))
            << code;
    for (int code : {-999, -1200, -1002, -1011, -1})
        EXPECT_FALSE(NetworkSecurity::isTransientConnectionError(std::make_exception_ptr(URLError(code))))
            << code;
    EXPECT_FALSE(NetworkSecurity::isTransientConnectionError(std::make_exception_ptr(APIError::http(503))));
    EXPECT_FALSE(
        NetworkSecurity::isTransientConnectionError(std::make_exception_ptr(APIError::server(0, ""))));
    EXPECT_FALSE(NetworkSecurity::isTransientConnectionError(std::exception_ptr()));
}

TEST(URL, PartsAreReadFromTheTextAsWritten) {
    URL u = url("HTTP://Ann:pw@[FD12::1]:4533/a/b?x=1&y#frag");
    EXPECT_EQ(u.scheme(), "HTTP");
    EXPECT_TRUE(u.hasScheme("http"));
    EXPECT_EQ(u.host(), "[FD12::1]");
    EXPECT_TRUE(u.hasUser());
    EXPECT_TRUE(u.hasPassword());
    EXPECT_EQ(u.path(), "/a/b");
    EXPECT_EQ(u.query(), "x=1&y");
    EXPECT_TRUE(u.hasFragment());

    EXPECT_EQ(url("https://h.example")
                  .appendingPathComponent("rest")
                  .appendingPathComponent("ping.view")
                  .absoluteString(),
              "https://h.example/rest/ping.view");
    EXPECT_EQ(url("https://h.example/music/").appendingPathComponent("rest").absoluteString(),
              "https://h.example/music/rest");
    EXPECT_EQ(url("https://h.example/music").appendingPathComponent("rest").absoluteString(),
              "https://h.example/music/rest");

    EXPECT_FALSE(URL::parse("h.example:4533").has_value() && URL::parse("h.example:4533")->host());
    EXPECT_FALSE(URL::parse("https://h.example/a b").has_value());
    EXPECT_FALSE(URL::parse("").has_value());
}

} // namespace
} // namespace sorvalind
