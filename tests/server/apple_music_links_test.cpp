// The pure matching rules of the share-link resolver: normalisation, artist
// agreement, track pages, Songlink identifiers, country codes and scoring.

#include "server/apple_music_links.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sorvalind {
namespace {

using Resolver = AppleMusicLinkResolver;

Song song(std::string title, std::vector<std::string> artists, std::optional<double> duration = std::nullopt,
          std::optional<std::string> album = std::nullopt) {
    Song s = Song::make("s1", std::move(title));
    if (artists.size() == 1) {
        s.artist = artists[0];
    } else {
        std::vector<Artist> credited;
        for (std::size_t i = 0; i < artists.size(); ++i) {
            credited.push_back(Artist::make("ar" + std::to_string(i), artists[i]));
        }
        s.artists = credited;
    }
    s.duration = duration;
    s.album = std::move(album);
    return s;
}

Resolver::Result result(std::string trackName, std::string artistName,
                        std::optional<double> millis = std::nullopt,
                        std::optional<std::string> collection = std::nullopt,
                        std::string url = "https://music.apple.com/us/album/halo/100?i=200") {
    Resolver::Result r;
    r.kind = "song";
    r.trackName = std::move(trackName);
    r.artistName = std::move(artistName);
    r.trackTimeMillis = millis;
    r.collectionName = std::move(collection);
    r.trackViewUrl = std::move(url);
    return r;
}

TEST(AppleMusicNormalisation, FoldsCaseAndAccentsAndKeepsOnlyWordRuns) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {"Beyoncé – Halo (Live)", "beyonce halo live"},
        {std::nullopt, ""},
        {"  ()--!! ", ""},
        {"AC/DC", "ac dc"},
        {"Sigur Rós: Hoppípolla", "sigur ros hoppipolla"},
        {"Motörhead\tAce  of\nSpades", "motorhead ace of spades"},
        {"東京事変", "東京事変"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(Resolver::normalized(input), expected) << input.value_or("(none)");
    }
}

TEST(AppleMusicArtistNames, KeepsUsableNamesInOrderAsStored) {
    Song credited = song("T", {"Beyoncé", "unknown ARTIST", " ", "Jay-Z"});
    credited.artist = "ignored when artists are credited";
    EXPECT_EQ(Resolver::artistNames(credited), (std::vector<std::string>{"Beyoncé", "Jay-Z"}));

    Song emptyList = song("T", {"Fallback"});
    emptyList.artists = std::vector<Artist>{};
    EXPECT_EQ(Resolver::artistNames(emptyList), std::vector<std::string>{"Fallback"});

    EXPECT_TRUE(Resolver::artistNames(song("T", {"Unknown Artist"})).empty());
    EXPECT_TRUE(Resolver::artistNames(Song::make("s", "T")).empty());
}

TEST(AppleMusicArtistNames, MetadataNeedsTitleAndArtist) {
    EXPECT_TRUE(Resolver::hasMetadata(song("Halo", {"Beyoncé"})));
    EXPECT_FALSE(Resolver::hasMetadata(song("Halo", {"UNKNOWN artist"})));
    EXPECT_FALSE(Resolver::hasMetadata(song("(…)", {"Beyoncé"})));
    EXPECT_FALSE(Resolver::hasMetadata(Song::make("s", "Halo")));
}

TEST(AppleMusicArtistMatch, EveryCreditedArtistMustAppear) {
    struct Case {
        std::vector<std::string> artists;
        std::string resultArtist;
        bool matches;
    };
    const std::vector<Case> cases = {
        {{"A", "B"}, "B & A", true},
        {{"A", "B"}, "A feat. B", true},
        {{"A", "B"}, "A Feat B", true},
        {{"A", "B"}, "A featuring B", true},
        {{"A", "B"}, "A with B", true},
        {{"A", "B"}, "A; C, B", true}, // extra result artists are fine
        {{"A", "B"}, "A", false},
        {{"A", "B"}, "A & C", false},
        {{"A", "B"}, "A B", true}, // the whole line agrees
        {{"Simon", "Garfunkel"}, "Simon & Garfunkel", true},
        {{"Beyoncé"}, "JAY-Z FEAT. BEYONCE", true},
        {{"Beyoncé"}, "Beyonce", true},
        {{"A"}, "Afeat.B", false}, // "feat" only counts between spaces
        {{"Earth, Wind & Fire"}, "Earth, Wind & Fire", true},
        {{"Earth, Wind & Fire", "X"}, "Earth, Wind & Fire & X", true}, // by the whole line
        {{"A"}, "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Resolver::matchesArtist(c.resultArtist, c.artists), c.matches) << c.resultArtist;
    }
}

TEST(AppleMusicTrackURL, AcceptsOnlyCatalogueTrackPages) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"https://music.apple.com/us/album/halo/1440?i=1441", true},
        {"https://music.apple.com/us/song/halo/1441", true},
        {"https://music.apple.com/us/song/halo", true},
        {"https://music.apple.com/us/album/halo/1440?i=%D9%A1%D9%A2",
         true}, // Arabic-Indic digits are numbers
        {"http://music.apple.com/us/album/halo/1440?i=1441", false},
        {"https://itunes.apple.com/us/album/halo/1440?i=1441", false},
        {"https://music.apple.com.evil.example/us/song/halo/1441", false},
        {"https://user@music.apple.com/us/song/halo/1441", false},
        {"https://user:pw@music.apple.com/us/song/halo/1441", false},
        {"https://music.apple.com:443/us/song/halo/1441", false},
        {"https://music.apple.com/us/song/halo/1441#top", false},
        {"https://music.apple.com/us/song/halo/1441#", false},
        {"https://music.apple.com/us/album/halo/1440", false},
        {"https://music.apple.com/us/album/halo/1440?i=", false},
        {"https://music.apple.com/us/album/halo/1440?i=14a1", false},
        {"https://music.apple.com/us/artist/beyonce/1419", false},
        {"not a url", false},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(Resolver::isTrackURL(url), expected) << url;
}

TEST(AppleMusicSonglink, TakesTheNumericCatalogueIdentifier) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"https://music.apple.com/us/album/halo/1440?i=1441", "https://song.link/i/1441"},
        {"https://music.apple.com/us/album/halo/1440?uo=4&i=1441", "https://song.link/i/1441"},
        {"https://music.apple.com/us/song/halo/1441", "https://song.link/i/1441"},
        {"https://music.apple.com/us/song/halo/1441?i=77", "https://song.link/i/77"},
        {"https://music.apple.com/us/album/halo/1440?i=0012", "https://song.link/i/0012"},
        {"https://music.apple.com/us/album/halo/1440?i=0000", std::nullopt},
        {"https://music.apple.com/us/album/halo/1440?i=1441&i=1442", std::nullopt},
        {"https://music.apple.com/us/album/halo/1440?i=%D9%A1%D9%A2", std::nullopt},
        {"https://music.apple.com/us/song/halo", std::nullopt},
        {"https://music.apple.com/us/song/halo/1441?i", std::nullopt},
        {"https://example.com/us/song/halo/1441", std::nullopt},
    };
    for (const auto& [url, expected] : cases)
        EXPECT_EQ(Resolver::songlinkURL(url), expected) << url;
}

TEST(AppleMusicCountry, TwoLettersUpperCasedElseUS) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"gb", "GB"}, {"Nl", "NL"}, {"US", "US"}, {"gbr", "US"},
        {"g1", "US"}, {"", "US"},   {"g", "US"},  {" g", "US"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(Resolver::countryCode(input), expected) << input;
}

TEST(AppleMusicScore, DurationWithinFiveSecondsAndAlbumBonus) {
    const Song halo = song("Halo", {"Beyoncé"}, 200.0, "I Am... Sasha Fierce");
    struct Case {
        const char* name;
        Resolver::Result result;
        std::optional<double> expected;
    };
    Resolver::Result video = result("Halo", "Beyoncé", 200000);
    video.kind = "music-video";
    Resolver::Result noURL = result("Halo", "Beyoncé", 200000);
    noURL.trackViewUrl.reset();
    Resolver::Result noArtist = result("Halo", "Beyoncé", 200000);
    noArtist.artistName.reset();
    const std::vector<Case> cases = {
        {"exact length", result("Halo", "Beyoncé", 200000), 5.0},
        {"three seconds short", result("Halo", "Beyoncé", 197000), 2.0},
        {"five seconds long", result("Halo", "Beyoncé", 205000), 0.0},
        {"5.1 seconds long", result("Halo", "Beyoncé", 205100), std::nullopt},
        {"no length", result("Halo", "Beyoncé"), 0.0},
        {"album agrees", result("Halo", "Beyoncé", 201000, "I Am… Sasha Fierce"), 14.0},
        {"album differs", result("Halo", "Beyoncé", 201000, "Live"), 4.0},
        {"title folds", result("HALO", "BEYONCE", 200000), 5.0},
        {"other title", result("Halo (Remix)", "Beyoncé", 200000), std::nullopt},
        {"other artist", result("Halo", "Leona Lewis", 200000), std::nullopt},
        {"no artist", noArtist, std::nullopt},
        {"not a song", video, std::nullopt},
        {"no URL", noURL, std::nullopt},
        {"other host", result("Halo", "Beyoncé", 200000, {}, "https://example.com/us/song/halo/1"),
         std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = Resolver::score(c.result, halo);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
        if (got) {
            EXPECT_NEAR(*got, *c.expected, 1e-9) << c.name;
        }
    }
}

TEST(AppleMusicScore, UnknownOrUnusableSongLengthKeepsEveryResult) {
    for (const std::optional<double> duration :
         {std::optional<double>{}, std::optional<double>{0.0}, std::optional<double>{-3.0},
          std::optional<double>{std::numeric_limits<double>::quiet_NaN()},
          std::optional<double>{std::numeric_limits<double>::infinity()}}) {
        const std::optional<double> got =
            Resolver::score(result("Halo", "Beyoncé", 999000), song("Halo", {"Beyoncé"}, duration));
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, 0.0);
    }
    // An empty album earns no bonus even against an empty collection name.
    EXPECT_EQ(
        Resolver::score(result("Halo", "Beyoncé", std::nullopt, "!"), song("Halo", {"Beyoncé"}, {}, "()")),
        0.0);
}

TEST(AppleMusicChoice, HighestScoreWinsAndTiesGoToTheEarliest) {
    const Song halo = song("Halo", {"Beyoncé"}, 200.0, "Sasha Fierce");
    const std::string first = "https://music.apple.com/us/album/a/1?i=11";
    const std::string second = "https://music.apple.com/us/album/b/2?i=22";
    const std::string third = "https://music.apple.com/us/album/c/3?i=33";

    EXPECT_EQ(Resolver::bestMatch({result("Halo", "Beyoncé", 202000, {}, first),
                                   result("Halo", "Beyoncé", 198000, {}, second)},
                                  halo),
              first);
    EXPECT_EQ(Resolver::bestMatch({result("Halo", "Beyoncé", 203000, {}, first),
                                   result("Halo", "Beyoncé", 201000, {}, second),
                                   result("Halo", "Beyoncé", 204000, "Sasha Fierce", third)},
                                  halo),
              third);
    EXPECT_EQ(Resolver::bestMatch({result("Halo", "Beyoncé", 300000, {}, first),
                                   result("Other", "Beyoncé", 200000, {}, second)},
                                  halo),
              std::nullopt);
    EXPECT_EQ(Resolver::bestMatch({}, halo), std::nullopt);
}

TEST(AppleMusicDecoding, ResultsAreRequiredAndTypedWhenPresent) {
    const auto decoded = Resolver::decodeSearchResponse(
        R"({"resultCount":1,"results":[{"kind":"song","trackName":"Halo","trackTimeMillis":261000,
            "collectionName":null,"trackId":1441,"isStreamable":true}]})");
    ASSERT_EQ(decoded.results.size(), 1u);
    EXPECT_EQ(decoded.results[0].trackName, "Halo");
    EXPECT_EQ(decoded.results[0].trackTimeMillis, 261000.0);
    EXPECT_FALSE(decoded.results[0].collectionName.has_value());
    EXPECT_FALSE(decoded.results[0].trackViewUrl.has_value());

    EXPECT_THROW(Resolver::decodeSearchResponse(R"({"resultCount":0})"), std::exception);
    EXPECT_THROW(Resolver::decodeSearchResponse(R"({"results":[{"trackTimeMillis":"261000"}]})"),
                 std::exception);
    EXPECT_THROW(Resolver::decodeSearchResponse(R"({"results":[{"trackName":7}]})"), std::exception);
    EXPECT_THROW(Resolver::decodeSearchResponse(R"({"results":{}})"), std::exception);
    EXPECT_THROW(Resolver::decodeSearchResponse("<html>"), std::exception);
}

TEST(AppleMusicLookup, KeyCoversTheStoredFields) {
    const Song a = song("Halo", {"Beyoncé"}, 261.0, "Sasha Fierce");
    Song b = a;
    b.id = "another id";
    b.userRating = 5;
    EXPECT_EQ(Resolver::lookup(a), Resolver::lookup(b));
    EXPECT_EQ(Resolver::LookupHash{}(Resolver::lookup(a)), Resolver::LookupHash{}(Resolver::lookup(b)));
    Song c = a;
    c.album = "Live";
    EXPECT_NE(Resolver::lookup(a), Resolver::lookup(c));
    Song d = a;
    d.title = "halo";
    EXPECT_NE(Resolver::lookup(a), Resolver::lookup(d));
}

TEST(AppleMusicLinkErrors, CarryTheirSentences) {
    using Kind = AppleMusicLinkError::Kind;
    EXPECT_STREQ(AppleMusicLinkError(Kind::missingMetadata).what(),
                 "A song title and artist are needed to find an Apple Music link.");
    EXPECT_STREQ(AppleMusicLinkError(Kind::noMatch).what(), "No matching song was found on Apple Music.");
    EXPECT_STREQ(AppleMusicLinkError(Kind::unavailable).what(),
                 "Apple Music links are unavailable right now. Please try again later.");
    EXPECT_EQ(AppleMusicLinkError(Kind::noMatch), AppleMusicLinkError(Kind::noMatch));
    EXPECT_FALSE(AppleMusicLinkError(Kind::noMatch) == AppleMusicLinkError(Kind::unavailable));
}

} // namespace
} // namespace sorvalind
