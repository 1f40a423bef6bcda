#include "library/song_details.h"

#include "support/full_song.h"
#include "support/locale_environment.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

using Destination = SongDetailDestination;
using Fields = std::vector<SongDetailField>;

Song bare(std::string id = "s1", std::string title = "Tune") {
    return Song::make(std::move(id), std::move(title));
}

Artist person(std::string id, std::string name) {
    return Artist::make(std::move(id), std::move(name));
}

Contributor credit(std::string role, std::optional<std::string> subRole, Artist artist) {
    return Contributor::make(std::move(role), std::move(subRole), std::move(artist));
}

// A copy, so that callers may pass the sections of a temporary.
std::optional<SongDetailSection> section(const std::vector<SongDetailSection>& sections,
                                         const std::string& title) {
    for (const auto& s : sections)
        if (s.title == title) return s;
    return std::nullopt;
}

// A fully populated song whose shown fields carry what the details must
// sort out: repeated and empty credits and genres, a zero disc, padded text.
Song detailedSong() {
    Song song = test::fullSong(1);
    song.id = "s1";
    song.title = "Tune";
    song.album = "Blue";
    song.albumId = "al1";
    song.duration = 75.9;
    song.year = 1971;
    song.track = 3;
    song.discNumber = 0;
    song.bpm = 128;
    song.genres = std::vector<ItemGenre>{{"Folk"}, {""}, {"Folk"}, {"Pop"}};
    song.genre = "ignored";
    song.playCount = 0;
    song.comment = "  live  ";
    song.artists = {person("ar1", "Joni"), person("ar1", "Joni"), person("", "Guest"), person("x", "")};
    song.albumArtists = {person("ar1", "Joni")};
    song.displayAlbumArtist = "Not shown";
    song.contributors = {credit("composer", std::nullopt, person("c1", "Writer")),
                         credit("mixer", "stereo", person("", "Mixer Person")),
                         credit("composer", std::nullopt, person("c1", "Writer")),
                         credit("", std::nullopt, person("c2", "Someone"))};
    song.displayComposer = "Writer";
    song.suffix = "flac";
    song.contentType = "audio/flac";
    song.bitDepth = 24;
    song.samplingRate = 22050;
    song.bitRate = 320;
    song.channelCount = 2;
    song.size = 3'200'000;
    song.path = "Joni/Blue/03.flac";
    return song;
}

TEST(SongDetails, SectionsOfAFullSong) {
    const auto sections = detailSections(detailedSong(), "en_US");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].title, "Song");
    EXPECT_EQ(sections[0].fields, (Fields{
                                      {"Album", "Blue", Destination::album("al1", "Blue")},
                                      {"Duration", "1:15", std::nullopt},
                                      {"Year", "1971", std::nullopt},
                                      {"Track", "3", std::nullopt},
                                      {"Tempo", "128 BPM", std::nullopt},
                                      {"Genre", "Folk", Destination::genre("Folk")},
                                      {"Genre", "Pop", Destination::genre("Pop")},
                                      {"Play count", "0", std::nullopt},
                                      {"Comment", "  live  ", std::nullopt},
                                  }));
    EXPECT_EQ(sections[1].title, "Credits");
    EXPECT_EQ(sections[1].fields,
              (Fields{
                  {"Artist", "Joni", Destination::artist(person("ar1", "Joni"))},
                  {"Artist", "Guest", std::nullopt},
                  {"Album artist", "Joni", Destination::artist(person("ar1", "Joni"))},
                  {"Composer", "Writer", Destination::artist(person("c1", "Writer"))},
                  {"Mixer \u00B7 stereo", "Mixer Person", std::nullopt},
                  {"Contributor", "Someone", Destination::artist(person("c2", "Someone"))},
              }));
    EXPECT_EQ(sections[2].title, "Source audio");
    EXPECT_EQ(sections[2].fields, (Fields{
                                      {"Format", "FLAC", std::nullopt},
                                      {"Content type", "audio/flac", std::nullopt},
                                      {"Bit depth", "24-bit", std::nullopt},
                                      {"Sample rate", "22.05 kHz", std::nullopt},
                                      {"Bitrate", "320 kbps", std::nullopt},
                                      {"Channels", "2", std::nullopt},
                                      {"File size", "3.2 MB", std::nullopt},
                                      {"File path", "Joni/Blue/03.flac", std::nullopt},
                                  }));
}

TEST(SongDetails, NumbersFollowTheLocale) {
    struct Case {
        std::int64_t rate;
        const char* locale;
        const char* text;
    };
    const Case cases[] = {
        {44100, "en_US", "44.1 kHz"}, {48000, "en_US", "48 kHz"},    {22050, "en_US", "22.05 kHz"},
        {44100, "de_DE", "44,1 kHz"}, {22050, "de_DE", "22,05 kHz"}, {1234567, "de_DE", "1.234,567 kHz"},
    };
    for (const Case& c : cases) {
        Song song = bare();
        song.samplingRate = c.rate;
        const auto sections = detailSections(song, c.locale);
        ASSERT_EQ(sections.size(), 1u);
        EXPECT_EQ(sections[0].fields, (Fields{{"Sample rate", c.text, std::nullopt}})) << c.rate << c.locale;
    }
    Song big = bare();
    big.size = 1'234'567'890;
    big.playCount = 1'234'567;
    big.year = 12345;
    const auto german = detailSections(big, "de_DE");
    // Counts are plain digits without grouping; the file size follows the locale.
    EXPECT_EQ(section(german, "Song")->fields[0].value, "12345");
    EXPECT_EQ(section(german, "Song")->fields[1].value, "1234567");
    EXPECT_EQ(section(german, "Source audio")->fields[0].value, "1,23 GB");
}

TEST(SongDetails, OneFieldGivesOneRow) {
    struct Case {
        const char* what;
        Song song;
        std::vector<SongDetailSection> sections;
    };
    const auto with = [](auto set) {
        Song song = bare();
        set(song);
        return song;
    };
    const Case cases[] = {
        {"disc", with([](Song& s) { s.discNumber = 2; }), {{"Song", {{"Disc", "2", std::nullopt}}}}},
        {"negative duration", with([](Song& s) { s.duration = -5; }), {}},
        {"an hour",
         with([](Song& s) { s.duration = 3600; }),
         {{"Song", {{"Duration", "60:00", std::nullopt}}}}},
        {"album without identifier",
         with([](Song& s) { s.album = "Blue"; }),
         {{"Song", {{"Album", "Blue", std::nullopt}}}}},
        {"album with empty identifier",
         with([](Song& s) {
             s.album = "Blue";
             s.albumId = "";
         }),
         {{"Song", {{"Album", "Blue", std::nullopt}}}}},
        {"sub-role alone",
         with([](Song& s) { s.contributors = {credit("", "stereo", person("", "Eve"))}; }),
         {{"Credits", {{"stereo", "Eve", std::nullopt}}}}},
        {"empty sub-role",
         with([](Song& s) { s.contributors = {credit("composer", "", person("c1", "Bach"))}; }),
         {{"Credits", {{"Composer", "Bach", Destination::artist(person("c1", "Bach"))}}}}},
        {"mp3",
         with([](Song& s) { s.suffix = "mp3"; }),
         {{"Source audio", {{"Format", "MP3", std::nullopt}}}}},
        {"no channels", with([](Song& s) { s.channelCount = 0; }), {}},
        {"one byte",
         with([](Song& s) { s.size = 1; }),
         {{"Source audio", {{"File size", "1 byte", std::nullopt}}}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(detailSections(c.song, "en_US"), c.sections) << c.what;
}

TEST(SongDetails, SectionsUseTheUsersLocale) {
    test::LocaleEnvironment environment;
    Song song = bare();
    song.samplingRate = 44100;
    song.size = 3'200'000;
    const auto values = [&] {
        std::vector<std::string> texts;
        const std::optional<SongDetailSection> source = section(detailSections(song), "Source audio");
        for (const SongDetailField& field : source.value().fields)
            texts.push_back(field.value);
        return texts;
    };
    test::LocaleEnvironment::useLang("de_DE.UTF-8");
    EXPECT_EQ(values(), (std::vector<std::string>{"44,1 kHz", "3,2 MB"}));
    test::LocaleEnvironment::useLang("en_US.UTF-8");
    EXPECT_EQ(values(), (std::vector<std::string>{"44.1 kHz", "3.2 MB"}));
}

TEST(SongDetails, RowsLeftOut) {
    EXPECT_TRUE(detailSections(bare(), "en_US").empty());

    Song song = bare();
    song.year = 0;
    song.track = 0;
    song.bpm = -1;
    song.duration = 0;
    song.album = "";
    song.comment = " \n ";
    song.suffix = " ";
    song.contentType = "";
    song.samplingRate = 0;
    song.size = 0;
    song.path = "\t";
    song.displayComposer = "  ";
    song.artists = std::vector<Artist>{};
    song.artist = "";
    song.genres = std::vector<ItemGenre>{};
    song.genre = "";
    EXPECT_TRUE(detailSections(song, "en_US").empty());

    // An empty genre list falls back to the single genre text.
    song.genre = "Jazz";
    song.playCount = -3;
    const auto sections = detailSections(song, "en_US");
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].fields,
              (Fields{{"Genre", "Jazz", Destination::genre("Jazz")}, {"Play count", "-3", std::nullopt}}));
}

TEST(SongDetails, CreditFallbacks) {
    Song song = bare();
    song.artist = "Ann";
    song.displayAlbumArtist = " Various ";
    song.displayComposer = "Bach";
    song.contributors = {credit("Lead VOCALS", "", person("", "Ann"))};
    auto credits = section(detailSections(song, "en_US"), "Credits");
    ASSERT_TRUE(credits.has_value());
    EXPECT_EQ(credits->fields, (Fields{{"Artist", "Ann", std::nullopt},
                                       {"Album artist", " Various ", std::nullopt},
                                       {"Lead Vocals", "Ann", std::nullopt},
                                       {"Composer", "Bach", std::nullopt}}));

    // An artist text with an identifier links; album artists with only empty
    // names still suppress the display text; a composer credit hides displayComposer.
    song.artistId = "ar7";
    song.albumArtists = {person("x", "")};
    song.contributors = {credit("COMPOSER", std::nullopt, person("", ""))};
    credits = section(detailSections(song, "en_US"), "Credits");
    ASSERT_TRUE(credits.has_value());
    EXPECT_EQ(credits->fields, (Fields{{"Artist", "Ann", Destination::artist(person("ar7", "Ann"))}}));
}

TEST(SongDetails, DestinationsCompareAndHashByCaseAndPayload) {
    EXPECT_EQ(Destination::genre("Rock"), Destination::genre("Rock"));
    EXPECT_NE(Destination::genre("Rock"), Destination::album("Rock", "Rock"));
    EXPECT_NE(Destination::album("a", "b"), Destination::album("a", "c"));
    const std::hash<Destination> hash;
    EXPECT_EQ(hash(Destination::artist(person("1", "A"))), hash(Destination::artist(person("1", "A"))));
    EXPECT_NE(hash(Destination::genre("x")), hash(Destination::album("x", "")));
}

TEST(SongDetails, MergeLaysFetchedDetailsOverTheStoredSong) {
    Song stored = detailedSong();
    stored.userRating = 4;
    stored.starred = "2024-01-01T00:00:00Z";
    stored.played = "2024-02-02T00:00:00Z";
    stored.created = "2020-01-01T00:00:00Z";
    stored.isVideo = false;

    Song fetched = bare("s1", "Tune (Remaster)");
    fetched.album = "";
    fetched.artists = std::vector<Artist>{};
    fetched.bitRate = 1000;

    const Song merged = mergingDetails(stored, fetched);
    EXPECT_EQ(merged.title, "Tune (Remaster)");
    // Favourite, rating, play times and video flag are the server's, absent included.
    EXPECT_FALSE(merged.userRating.has_value());
    EXPECT_FALSE(merged.starred.has_value());
    EXPECT_FALSE(merged.played.has_value());
    EXPECT_FALSE(merged.created.has_value());
    EXPECT_FALSE(merged.isVideo.has_value());
    // Present fetched values win, also empty ones; absent ones keep the stored value.
    EXPECT_EQ(merged.album, "");
    EXPECT_EQ(merged.artists, std::vector<Artist>{});
    EXPECT_EQ(merged.bitRate, 1000);
    EXPECT_EQ(merged.path, stored.path);
    EXPECT_EQ(merged.contributors, stored.contributors);
    EXPECT_EQ(merged.playCount, stored.playCount);

    Song other = fetched;
    other.id = "s2";
    EXPECT_EQ(mergingDetails(stored, other), stored);
}

TEST(SongDetails, MergeKeepsPendingLocalEdits) {
    Song stored = bare();
    stored.starred = "pending";
    stored.userRating = 5;
    Song fetched = bare();
    fetched.userRating = 2;
    fetched.path = "a.flac";

    EXPECT_TRUE(pendingLocalEdits(stored).favorite);
    EXPECT_FALSE(pendingLocalEdits(stored).rating);
    EXPECT_FALSE(pendingLocalEdits(fetched).favorite);

    // The marker alone protects the favourite; the rating needs the store's word.
    Song merged = mergingDetails(stored, fetched);
    EXPECT_EQ(merged.starred, "pending");
    EXPECT_EQ(merged.userRating, 2);
    EXPECT_EQ(merged.path, "a.flac");

    merged = mergingDetails(stored, fetched, {.favorite = true, .rating = true});
    EXPECT_EQ(merged.starred, "pending");
    EXPECT_EQ(merged.userRating, 5);

    // A queued un-favourite leaves starred absent; the store says it is pending.
    Song unstarred = bare();
    Song serverStarred = bare();
    serverStarred.starred = "2024-01-01T00:00:00Z";
    EXPECT_FALSE(mergingDetails(unstarred, serverStarred, {.favorite = true}).starred.has_value());
    EXPECT_EQ(mergingDetails(unstarred, serverStarred).starred, "2024-01-01T00:00:00Z");
}

} // namespace
} // namespace sorvalind
