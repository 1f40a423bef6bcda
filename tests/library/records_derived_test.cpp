#include "library/album.h"
#include "library/json_coding.h"
#include "library/search_page.h"
#include "library/song.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <clocale>
#include <locale>
#include <string>

namespace sorvalind {
namespace {

TEST(SongArtistNames, Table) {
    struct Case {
        std::optional<std::vector<Artist>> artists;
        std::optional<std::string> artist;
        std::string expected;
    };
    const Case cases[] = {
        {std::vector{Artist::make("1", "A"), Artist::make("2", "B")}, "X", "A, B"},
        {std::vector{Artist::make("1", ""), Artist::make("2", "B")}, std::nullopt, ", B"},
        {std::vector<Artist>{}, "X", "X"},
        {std::nullopt, "X", "X"},
        {std::nullopt, "", ""},
        {std::vector<Artist>{}, std::nullopt, "Unknown Artist"},
        {std::nullopt, std::nullopt, "Unknown Artist"},
    };
    for (const auto& c : cases) {
        Song song = Song::make("1", "T", c.artist);
        song.artists = c.artists;
        EXPECT_EQ(song.artistNames(), c.expected);
    }
}

std::string qualityOf(std::optional<std::string> suffix, std::optional<std::int64_t> depth,
                      std::optional<std::int64_t> rate) {
    Song song = Song::make("1", "T");
    song.suffix = std::move(suffix);
    song.bitDepth = depth;
    song.samplingRate = rate;
    return song.quality();
}

struct QualityCase {
    std::optional<std::string> suffix;
    std::optional<std::int64_t> depth, rate;
    std::string expected;
};

const QualityCase kQualityCases[] = {
    {"flac", 16, 44100, "FLAC \u00b7 16-bit \u00b7 44.1 kHz"},
    {"mp3", std::nullopt, std::nullopt, "MP3"},
    {std::nullopt, std::nullopt, 48000, "48.0 kHz"},
    {std::nullopt, 24, std::nullopt, "24-bit"},
    {std::nullopt, std::nullopt, std::nullopt, ""},
    {"", std::nullopt, 96000, " \u00b7 96.0 kHz"},
    {"fla\u00df", std::nullopt, std::nullopt, "FLASS"},
    {"flac", std::nullopt, 22050, "FLAC \u00b7 22.1 kHz"},
    // Lossy files come with a bit depth (and sometimes a sample rate) of 0: a value that is
    // not positive is left out, as if absent.
    {"mp3", 0, 44100, "MP3 \u00b7 44.1 kHz"},
    {"mp3", 0, 0, "MP3"},
    {"ogg", -16, -44100, "OGG"},
    {std::nullopt, 0, 0, ""},
    {"", 0, std::nullopt, ""},
    {std::nullopt, 1, 1, "1-bit \u00b7 0.0 kHz"},
    {std::nullopt, std::nullopt, 192000000, "192000.0 kHz"},
};

TEST(SongQuality, Table) {
    for (const auto& c : kQualityCases)
        EXPECT_EQ(qualityOf(c.suffix, c.depth, c.rate), c.expected)
            << c.suffix.value_or("(none)") << " " << c.depth.value_or(-1) << " " << c.rate.value_or(-1);
}

// The text leaves the zero out; the record and its JSON keep what the server sent.
TEST(SongQuality, ZeroBitDepthStaysInTheRecord) {
    Song song =
        fromJSONText<Song>(R"({"id":"1","title":"T","suffix":"mp3","bitDepth":0,"samplingRate":44100})");
    EXPECT_EQ(song.bitDepth, 0);
    EXPECT_EQ(song.quality(), "MP3 \u00b7 44.1 kHz");
    EXPECT_EQ(toJSONText(song), R"({"bitDepth":0,"id":"1","samplingRate":44100,"suffix":"mp3","title":"T"})");
}

// Upper-casing ignores the language: Turkish rules would dot the capital I.
TEST(SongQuality, UpperCasingIgnoresTheLocale) {
    icu::Locale previous = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("tr", "TR"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_EQ(qualityOf("aiff", std::nullopt, std::nullopt), "AIFF");
    icu::Locale::setDefault(previous, status);
}

// A user locale with a decimal comma must not reach the sample rate text.
TEST(SongQuality, DecimalPointWithACommaLocale) {
    struct CommaPunct : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    EXPECT_EQ(qualityOf(std::nullopt, std::nullopt, 44100), "44.1 kHz");
    std::locale::global(previous);
}

TEST(SongQuality, DecimalPointWithTheGermanLocale) {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale on this machine";
    std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    EXPECT_EQ(qualityOf("flac", 16, 44100), "FLAC \u00b7 16-bit \u00b7 44.1 kHz");
    // The stored JSON reads and writes a decimal point too.
    Song song = fromJSONText<Song>(R"({"id":"1","title":"T","duration":215.5})");
    EXPECT_EQ(song.duration, 215.5);
    EXPECT_EQ(toJSONText(song), R"({"duration":215.5,"id":"1","title":"T"})");
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
}

TEST(RecordEquality, EveryFieldCountsAndEqualValuesHashEqually) {
    Song a = Song::make("1", "T", "A", "al");
    a.artists = std::vector{Artist::make("x", "X")};
    a.duration = 1.5;
    Song b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Song>{}(a), std::hash<Song>{}(b));
    b.userRating = 3;
    EXPECT_NE(a, b);
    EXPECT_EQ(a.id, b.id);
    b = a;
    b.artists->front().starred = "pending";
    EXPECT_NE(a, b);
    b = a;
    b.artists = std::nullopt;
    Song c = a;
    c.artists = std::vector<Artist>{};
    EXPECT_NE(b, c);
    EXPECT_NE(std::hash<Song>{}(b), std::hash<Song>{}(c));

    // Absent differs from present-but-empty and present-but-zero.
    Song zero = Song::make("1", "T");
    zero.track = 0;
    EXPECT_NE(zero, Song::make("1", "T"));
    EXPECT_NE(std::hash<Song>{}(zero), std::hash<Song>{}(Song::make("1", "T")));

    Album album = Album::make("a", "N");
    Album other = album;
    other.song = std::vector{a};
    EXPECT_NE(album, other);
    EXPECT_EQ(std::hash<Album>{}(album), std::hash<Album>{}(Album::make("a", "N")));
}

TEST(RecordConstruction, FactoriesLeaveTheRestAbsent) {
    Song song = Song::make("1", "T", "A", "al");
    EXPECT_EQ(song.encode(),
              (nlohmann::json{{"id", "1"}, {"title", "T"}, {"artist", "A"}, {"albumId", "al"}}));
    EXPECT_EQ(Album::make("a", "N").encode(), (nlohmann::json{{"id", "a"}, {"name", "N"}}));
    EXPECT_EQ(Artist::make("r", "R").encode(), (nlohmann::json{{"id", "r"}, {"name", "R"}}));
    Contributor contributor = Contributor::make("composer", std::nullopt, Artist::make("r", "R"));
    EXPECT_EQ(contributor.encode(),
              (nlohmann::json{{"role", "composer"}, {"artist", {{"id", "r"}, {"name", "R"}}}}));
}

TEST(SearchPageEmptiness, Table) {
    EXPECT_TRUE(SearchPage{}.isEmpty());
    EXPECT_TRUE(SearchPage::make({}, {}, {}).isEmpty());
    EXPECT_TRUE(fromJSON<SearchPage>(nlohmann::json::object()).isEmpty());
    EXPECT_FALSE(SearchPage::make({Artist::make("1", "A")}, {}, {}).isEmpty());
    EXPECT_FALSE(SearchPage::make({}, {Album::make("1", "A")}, {}).isEmpty());
    EXPECT_FALSE(SearchPage::make({}, {}, {Song::make("1", "A")}).isEmpty());
    EXPECT_EQ(SearchPage::make({}, {}, {}).encode().dump(), R"({"album":[],"artist":[],"song":[]})");
}

} // namespace
} // namespace sorvalind
