#include "errors/api_error.h"
#include "errors/url_error.h"
#include "http/network_security.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

std::optional<APIError::Case> validationFailure(const HttpRequest& request) {
    try {
        NetworkSecurity::validate(request);
        return std::nullopt;
    } catch (const APIError& error) {
        return error.kind();
    }
}

HttpRequest requestTo(const std::string& url, HttpHeaders headers = {}) {
    HttpRequest request(Url::parse(url));
    request.headers = std::move(headers);
    return request;
}

TEST(NetworkSecurity, PlainHTTPIsJudgedOnTheHostAsWritten) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"http://localhost:4533/", true},
        {"http://LOCALHOST/", true},
        {"http://[::1]:4533/music", true},
        {"http://[fe80::1%25en0]/", true},
        {"http://192.168.1.2/", true},
        // A parser would turn these into 127.0.0.1; the policy judges the
        // text as written and refuses them.
        {"http://127.1/", false},
        {"http://2130706433/", false},
        {"http://0x7f.0.0.1/", false},
        {"http://music.localhost/", false},
        {"file:///tmp/x", false},
        // libcurl reads these as an allowed host; as written they have none
        // or an encoded one, so they are refused.
        {"http:/10.0.0.1/", false},
        {"http://%31%30.0.0.1/", false},
    };
    for (const auto& [text, allowed] : cases)
        EXPECT_EQ(NetworkSecurity::allowsHTTP(Url::parse(text)), allowed) << text;
}

TEST(NetworkSecurity, HostTablesHoldForWholeURLs) {
    const std::vector<std::string> allowed = {
        "localhost",       "LOCALHOST",       "localhost.",           "127.0.0.1",  "10.1.2.3",
        "100.64.0.1",      "100.127.255.255", "169.254.10.10",        "172.16.0.1", "172.31.255.255",
        "192.168.1.10",    "[::1]",           "[::ffff:192.168.1.2]", "[fd12::1]",  "[fe80::1%en0]",
        "[fe80::1%25en0]", "[febf::1]"};
    const std::vector<std::string> refused = {
        "music.example.com", "a.localhost",     "8.8.8.8", "100.128.0.1", "100.63.255.255", "172.32.0.1",
        "169.253.1.1",       "192.169.0.1",     "0.0.0.0", "127.1",       "[::]",           "[2001:db8::1]",
        "[fec0::1]",         "[::ffff:8.8.8.8]"};
    for (const auto& host : allowed)
        for (const std::string& form : {"http://" + host + "/", "http://" + host + ":4533/rest?x=1"})
            EXPECT_TRUE(NetworkSecurity::allowsHTTP(Url::parse(form))) << form;
    for (const auto& host : refused)
        for (const std::string& form : {"http://" + host + "/", "http://" + host + ":4533/rest?x=1"})
            EXPECT_FALSE(NetworkSecurity::allowsHTTP(Url::parse(form))) << form;
    EXPECT_FALSE(NetworkSecurity::allowsHTTP(Url::parse("http:///rest")));
}

TEST(NetworkSecurity, WrittenHostIsTheTextBetweenUserAndPort) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"HTTP://Ann:pw@[FD12::1]:4533/a/b?x=1#frag", "[FD12::1]"},
        {"http://[fe80::1%25en0]/", "[fe80::1%25en0]"},
        {"http://127.1:80/", "127.1"},
        {"https://a:b@h.example:8/", "h.example"},
        {"https://h.example?x", "h.example"},
        {"https://h.example#x", "h.example"},
        {"https:///path", std::nullopt},
        {"http:/10.0.0.1/", std::nullopt},
        {"file:///tmp/x", std::nullopt},
    };
    for (const auto& [text, host] : cases)
        EXPECT_EQ(NetworkSecurity::writtenHost(Url::parse(text)), host) << text;
}

TEST(NetworkSecurity, TransportRuleAppliesOnlyToPlainHTTP) {
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(Url::parse("https://8.8.8.8/")));
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(Url::parse("ftp://8.8.8.8/")));
    EXPECT_NO_THROW(NetworkSecurity::validateTransport(Url::parse("HTTP://10.0.0.1/")));
    EXPECT_THROW(NetworkSecurity::validateTransport(Url::parse("HTTP://8.8.8.8/")), APIError);
}

TEST(NetworkSecurity, RequestValidationTable) {
    using C = APIError::Case;
    struct Case {
        HttpRequest request;
        std::optional<C> failure;
    };
    const std::vector<Case> cases = {
        {requestTo("https://h.example/rest/ping.view"), std::nullopt},
        {requestTo("file:///tmp/song.flac"), std::nullopt},
        {requestTo("https://h.example/a?id=1&access_tokenx=2"), std::nullopt},
        {requestTo("https://h.example/a?Access_Token=x"), C::unsafeRequest},
        {requestTo("https://h.example/a?id=1&T=x"), C::unsafeRequest},
        {requestTo("https://h.example/a?%75=x"), C::unsafeRequest},
        {requestTo("https://h.example/a?apiKey"), C::unsafeRequest},
        {requestTo("https://h.example/a", {{"cookie", "a=b"}}), C::unsafeRequest},
        {requestTo("https://h.example/a", {{"Authorization", "Basic x"}}), C::unsafeRequest},
        {requestTo("ftp://h.example/a"), C::configuration},
        {requestTo("https://u:p@h.example/a"), C::configuration},
        {requestTo("https://h.example/a#f"), C::configuration},
        {requestTo("https://h.example/a#"), C::configuration},
        {requestTo("https://@h.example/a"), C::configuration},
        {requestTo("file:///tmp/song.flac#t=1"), C::configuration},
        {requestTo("https:///a"), C::configuration},
        {requestTo("http:/10.0.0.8/a"), C::configuration},
        {requestTo("http://127.1/a"), C::localHTTPRequired},
        {requestTo("http://8.8.8.8/a"), C::localHTTPRequired},
        {requestTo("http://10.0.0.8/a"), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validationFailure(c.request), c.failure) << c.request.url.absoluteString();
}

TEST(NetworkSecurity, PreparedRequestsForbidCaching) {
    HttpRequest prepared =
        NetworkSecurity::prepare(requestTo("https://h.example/a", {{"cache-control", "max-age=60"}}));
    EXPECT_EQ(headerValue(prepared.headers, "Cache-Control"), "no-store");
    EXPECT_EQ(headerValue(prepared.headers, "Pragma"), "no-cache");
    EXPECT_THROW(NetworkSecurity::prepare(requestTo("https://h.example/a?p=x")), APIError);
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

} // namespace
} // namespace sorvalind
