// The resolver's catalogue search over real HTTP, against a loopback stand-in
// for the catalogue: the request it sends, the answers it accepts, its errors
// and its cache.

#include "server/apple_music_links.h"

#include "runtime/cancellation.h"
#include "support/catalogue_server.h"

#include <gtest/gtest.h>

#include <stop_token>

namespace sorvalind {
namespace {

using Kind = AppleMusicLinkError::Kind;
using test::CatalogueAnswer;
using test::catalogueBody;
using test::CatalogueRequest;
using test::catalogueResult;

constexpr const char* haloURL = "https://music.apple.com/gb/album/halo/1440831203?i=1440831624";

Song halo() {
    Song song = Song::make("s1", "Halo");
    song.artists = std::vector<Artist>{Artist::make("a1", "Beyoncé")};
    song.album = "I Am... Sasha Fierce";
    song.duration = 261;
    return song;
}

Kind failureOf(AppleMusicLinkResolver& resolver, const Song& song) {
    try {
        resolver.link(song);
    } catch (const AppleMusicLinkError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no failure";
    return Kind::unavailable;
}

class AppleMusicLinkRequestTest : public ::testing::Test {
protected:
    test::CatalogueServer catalogue;
    AppleMusicLinkResolver resolver{"gb", catalogue.baseURL()};

    void answer(std::string body, int status = 200, std::string location = "") {
        catalogue.setHandler([=](const CatalogueRequest&) {
            return CatalogueAnswer{status, body, location};
        });
    }
};

TEST_F(AppleMusicLinkRequestTest, SearchesTheCatalogueAndPicksTheBestTrack) {
    answer(catalogueBody({
        catalogueResult("Halo", "Beyoncé", "https://music.apple.com/gb/album/halo/1?i=11", 300000),
        catalogueResult("Halo", "Beyoncé", "https://music.apple.com/gb/album/halo/2?i=22", 262000),
        catalogueResult("Halo", "Beyoncé", haloURL, 263000, "I Am... Sasha Fierce"),
        catalogueResult("Halo", "Beyoncé", "https://music.apple.com/gb/music-video/halo/3", 261000, "",
                        "music-video"),
    }));
    EXPECT_EQ(resolver.link(halo()), haloURL);

    const std::vector<CatalogueRequest> requests = catalogue.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/search");
    EXPECT_EQ(requests[0].query, (std::vector<std::pair<std::string, std::string>>{{"term", "Halo Beyoncé"},
                                                                                   {"country", "GB"},
                                                                                   {"media", "music"},
                                                                                   {"entity", "song"},
                                                                                   {"limit", "25"}}));
}

TEST_F(AppleMusicLinkRequestTest, TermCarriesEveryUsableArtistAsStored) {
    Song song = Song::make("s2", "Crazy in Love (Remix)");
    song.artists = std::vector<Artist>{Artist::make("a1", "Beyoncé"), Artist::make("a0", "Unknown Artist"),
                                       Artist::make("a2", "JAY-Z & Friends")};
    answer(catalogueBody({catalogueResult("Crazy in Love (Remix)", "Beyoncé JAY-Z & Friends", haloURL)}));
    EXPECT_EQ(resolver.link(song), haloURL);
    EXPECT_EQ(catalogue.requests().at(0).query.at(0).second, "Crazy in Love (Remix) Beyoncé JAY-Z & Friends");
}

TEST_F(AppleMusicLinkRequestTest, SonglinkUsesTheTrackIdentifier) {
    answer(catalogueBody({catalogueResult("Halo", "Beyoncé", haloURL)}));
    EXPECT_EQ(resolver.songlink(halo()), "https://song.link/i/1440831624");

    AppleMusicLinkResolver zeros{"gb", catalogue.baseURL()};
    answer(catalogueBody(
        {catalogueResult("Halo", "Beyoncé", "https://music.apple.com/gb/album/halo/1?i=0000")}));
    try {
        zeros.songlink(halo());
        FAIL() << "an all-zero identifier is no identifier";
    } catch (const AppleMusicLinkError& error) {
        EXPECT_EQ(error.kind(), Kind::noMatch);
    }
}

TEST_F(AppleMusicLinkRequestTest, MissingMetadataFailsWithoutARequest) {
    Song unknown = Song::make("s3", "Halo", std::string("unknown artist"));
    EXPECT_EQ(failureOf(resolver, unknown), Kind::missingMetadata);
    EXPECT_EQ(failureOf(resolver, Song::make("s4", " - ", std::string("Beyoncé"))), Kind::missingMetadata);
    EXPECT_TRUE(catalogue.requests().empty());
}

TEST_F(AppleMusicLinkRequestTest, BadAnswersAreUnavailableAndNothingIsCached) {
    struct Case {
        const char* name;
        int status;
        std::string body;
        std::string location;
        Kind expected;
    };
    const std::string good = catalogueBody({catalogueResult("Halo", "Beyoncé", haloURL)});
    const std::vector<Case> cases = {
        {"redirect", 301, good, catalogue.baseURL() + "/moved", Kind::unavailable},
        {"server error", 503, good, "", Kind::unavailable},
        {"not JSON", 200, "<html>busy</html>", "", Kind::unavailable},
        {"no results key", 200, R"({"resultCount":0})", "", Kind::unavailable},
        {"wrong type", 200, R"({"results":[{"trackTimeMillis":"1"}]})", "", Kind::unavailable},
        {"nothing matches", 200, catalogueBody({catalogueResult("Halo", "Leona Lewis", haloURL)}), "",
         Kind::noMatch},
        {"no results", 200, catalogueBody({}), "", Kind::noMatch},
    };
    for (const Case& c : cases) {
        answer(c.body, c.status, c.location);
        EXPECT_EQ(failureOf(resolver, halo()), c.expected) << c.name;
    }
    EXPECT_EQ(catalogue.requestCount("/moved"), 0u) << "redirects are never followed";
    EXPECT_EQ(resolver.cacheSize(), 0u);
    EXPECT_EQ(catalogue.requestCount("/search"), cases.size());
}

TEST_F(AppleMusicLinkRequestTest, UnreachableCatalogueIsUnavailable) {
    std::string closedBase;
    {
        test::CatalogueServer gone;
        closedBase = gone.baseURL();
    }
    AppleMusicLinkResolver offline{"us", closedBase};
    EXPECT_EQ(failureOf(offline, halo()), Kind::unavailable);

    AppleMusicLinkResolver publicHTTP{"us", "http://192.0.2.1"};
    EXPECT_EQ(failureOf(publicHTTP, halo()), Kind::unavailable) << "refused by the network policy";
}

TEST_F(AppleMusicLinkRequestTest, CancellationStaysCancellation) {
    answer(catalogueBody({catalogueResult("Halo", "Beyoncé", haloURL)}));
    std::stop_source stop;
    stop.request_stop();
    EXPECT_THROW(resolver.link(halo(), stop.get_token()), CancellationError);
    EXPECT_EQ(resolver.cacheSize(), 0u);
}

TEST_F(AppleMusicLinkRequestTest, CachesHitsAndEmptiesTheCacheWhenFull) {
    // The stand-in finds every song titled "Track N" by "Band".
    catalogue.setHandler([](const CatalogueRequest& request) {
        const std::string term = request.query.at(0).second;
        const std::string title = term.substr(0, term.size() - std::string(" Band").size());
        return CatalogueAnswer{200, catalogueBody({catalogueResult(title, "Band", haloURL)}), ""};
    });
    auto track = [](int n) {
        return Song::make("id" + std::to_string(n), "Track " + std::to_string(n), "Band");
    };

    EXPECT_EQ(resolver.link(track(0)), haloURL);
    Song sameFields = track(0);
    sameFields.id = "another id";
    EXPECT_EQ(resolver.link(sameFields), haloURL);
    EXPECT_EQ(catalogue.requestCount("/search"), 1u) << "the second lookup came from the cache";

    for (int n = 1; n < 100; ++n)
        resolver.link(track(n));
    EXPECT_EQ(resolver.cacheSize(), 100u);
    resolver.link(track(100));
    EXPECT_EQ(resolver.cacheSize(), 1u) << "the 101st lookup empties the cache first";
    resolver.link(track(100));
    EXPECT_EQ(catalogue.requestCount("/search"), 101u);
}

} // namespace
} // namespace sorvalind
