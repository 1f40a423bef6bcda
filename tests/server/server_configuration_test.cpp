#include "errors/api_error.h"
#include "server/server_configuration.h"

#include "library/json_coding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

// The case of the APIError that making the configuration throws, or none.
std::optional<APIError::Case> failureOf(const std::string& url, const std::string& user, bool consent) {
    try {
        ServerConfiguration configuration(url, user, consent);
        return std::nullopt;
    } catch (const APIError& error) {
        return error.kind();
    }
}

TEST(ServerConfiguration, ValidationTable) {
    using C = APIError::Case;
    struct Case {
        std::string url;
        std::string user;
        bool consent;
        std::optional<C> failure;
    };
    const std::vector<Case> cases = {
        {"https://music.example.com", "ann", false, std::nullopt},
        {"https://music.example.com/navidrome/", "ann", true, std::nullopt},
        {"HTTPS://music.example.com", "ann", false, std::nullopt},
        {"http://192.168.1.10:4533", "ann", true, std::nullopt},
        {"HTTP://192.168.1.10:4533", "ann", true, std::nullopt},
        {"http://192.168.1.10:4533", "ann", false, C::httpConsentRequired},
        {"HTTP://192.168.1.10", "ann", false, C::httpConsentRequired},
        {"http://[fd12::1]:4533", "ann", true, std::nullopt},
        {"http://8.8.8.8", "ann", true, C::localHTTPRequired},
        {"http://8.8.8.8", "ann", false, C::localHTTPRequired},
        {"http://music.example.com", "ann", true, C::localHTTPRequired},
        {"http://127.1", "ann", true, C::localHTTPRequired},
        {"https://h.example/?a=1", "ann", false, C::configuration},
        {"https://h.example/?", "ann", false, C::configuration},
        {"https://h.example/#top", "ann", false, C::configuration},
        {"https://bob@h.example/", "ann", false, C::configuration},
        {"https://bob:pw@h.example/", "ann", false, C::configuration},
        {"https://:pw@h.example/", "ann", false, C::configuration},
        {"ftp://h.example/", "ann", false, C::configuration},
        {"https:///path", "ann", false, C::configuration},
        {"h.example", "ann", false, C::configuration},
        {"https://h.example", "", false, C::configuration},
        {"https://h.example", " ", false, std::nullopt},
        {"not a url", "ann", false, C::configuration},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureOf(c.url, c.user, c.consent), c.failure) << c.url << " " << c.user;
}

TEST(ServerConfiguration, StoredValuesAndDerivedRules) {
    ServerConfiguration secure("https://h.example/music/", " ", true);
    EXPECT_EQ(secure.username(), " ");
    EXPECT_FALSE(secure.allowInsecureHTTP());
    EXPECT_FALSE(secure.isHTTPBlocked());
    EXPECT_FALSE(secure.requiresHTTPConsent());
    EXPECT_EQ(secure.identity(), "https://h.example/music/| ");
    EXPECT_EQ(secure.encode(),
              nlohmann::json::parse(
                  R"({"url":"https://h.example/music/","username":" ","allowInsecureHTTP":false})"));

    ServerConfiguration local("http://192.168.1.10:4533", "ann", true);
    EXPECT_TRUE(local.allowInsecureHTTP());
    EXPECT_FALSE(local.isHTTPBlocked());
    EXPECT_FALSE(local.requiresHTTPConsent());
    EXPECT_EQ(local.identity(), "http://192.168.1.10:4533|ann");

    // The keyring account and folder name are the text as the user wrote it,
    // never a parser's normalised form.
    ServerConfiguration written("HTTPS://Music.Example.COM:443/Nav%69drome", "Ann B", false);
    EXPECT_EQ(written.identity(), "HTTPS://Music.Example.COM:443/Nav%69drome|Ann B");
    EXPECT_EQ(written.encode()["url"], "HTTPS://Music.Example.COM:443/Nav%69drome");
    EXPECT_EQ(ServerConfiguration::decode(written.encode()).identity(), written.identity());
}

TEST(ServerConfiguration, DecodingValidatesOnlyTheAddress) {
    auto decode = [](const char* text) { return ServerConfiguration::decode(nlohmann::json::parse(text)); };

    auto noFlag = decode(R"({"url":"http://10.0.0.2","username":"ann"})");
    EXPECT_FALSE(noFlag.allowInsecureHTTP());
    EXPECT_TRUE(noFlag.requiresHTTPConsent());
    EXPECT_FALSE(noFlag.isHTTPBlocked());

    auto publicHost = decode(R"({"url":"http://8.8.8.8","username":"ann","allowInsecureHTTP":true})");
    EXPECT_TRUE(publicHost.isHTTPBlocked());
    EXPECT_TRUE(publicHost.requiresHTTPConsent());

    auto httpsFlag = decode(R"({"url":"https://h.example","username":"ann","allowInsecureHTTP":true})");
    EXPECT_FALSE(httpsFlag.allowInsecureHTTP());

    auto roundTrip = ServerConfiguration::decode(publicHost.encode());
    EXPECT_EQ(roundTrip.identity(), publicHost.identity());
    EXPECT_TRUE(roundTrip.allowInsecureHTTP());

    EXPECT_THROW(decode(R"({"username":"ann"})"), DecodingError);
    EXPECT_THROW(decode(R"({"url":"https://h.example"})"), DecodingError);
    EXPECT_THROW(decode(R"({"url":5,"username":"ann"})"), DecodingError);
    EXPECT_THROW(decode(R"({"url":"https://h.example","username":"ann","allowInsecureHTTP":"yes"})"),
                 DecodingError);
    EXPECT_THROW(decode(R"({"url":"https://h.example?x=1","username":"ann"})"), APIError);
    EXPECT_THROW(decode(R"({"url":"https://h.example","username":""})"), APIError);
}

} // namespace
} // namespace sorvalind
