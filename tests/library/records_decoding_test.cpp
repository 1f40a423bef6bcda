#include "library/album.h"
#include "library/api_extension.h"
#include "library/json_coding.h"
#include "library/playlist.h"
#include "library/search_page.h"
#include "library/song.h"
#include "support/full_song.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sorvalind {
namespace {

using nlohmann::json;

json minimalSong(const char* id = "1") {
    return json{{"id", id}, {"title", "T"}};
}

// A song with every one of its fields present, a few of them at the edges
// of what they hold.
Song fullSong() {
    Song song = test::fullSong(1);
    song.title = "Title \u00e9";
    song.size = 9'000'000'000'000'000'000;
    song.comment = "";
    song.starred = "pending";
    return song;
}

struct FailureCase {
    const char* name;
    const char* text;
    const char* path; // where the error must point
};

// Every shape the coder must refuse, each inside the document that carries it.
const FailureCase kSongFailures[] = {
    {"missing title", R"({"id":"1"})", "title"},
    {"null title", R"({"id":"1","title":null})", "title"},
    {"number for text", R"({"id":1,"title":"T"})", "id"},
    {"fraction for integer", R"({"id":"1","title":"T","track":3.7})", "track"},
    {"string for integer", R"({"id":"1","title":"T","year":"1999"})", "year"},
    {"boolean for integer", R"({"id":"1","title":"T","bpm":true})", "bpm"},
    {"integer too large", R"({"id":"1","title":"T","size":9223372036854775808})", "size"},
    {"huge float for integer", R"({"id":"1","title":"T","size":1e30})", "size"},
    {"string for double", R"({"id":"1","title":"T","duration":"215"})", "duration"},
    {"string for boolean", R"({"id":"1","title":"T","isVideo":"false"})", "isVideo"},
    {"integer for boolean", R"({"id":"1","title":"T","isVideo":0})", "isVideo"},
    {"object for list", R"({"id":"1","title":"T","artists":{"id":"a","name":"A"}})", "artists"},
    {"bad list element", R"({"id":"1","title":"T","genres":[{"name":"x"},{"name":7}]})", "genres[1].name"},
    {"contributor artist without id",
     R"({"id":"1","title":"T","contributors":[{"role":"r","artist":{"name":"A"}}]})",
     "contributors[0].artist.id"},
    {"contributor without artist", R"({"id":"1","title":"T","contributors":[{"role":"r"}]})",
     "contributors[0].artist"},
    {"array for song", R"([{"id":"1","title":"T"}])", ""},
    {"string for song", R"("song")", ""},
};

TEST(RecordDecoding, RefusesEveryMalformedSong) {
    for (const auto& c : kSongFailures) {
        try {
            fromJSONText<Song>(c.text);
            ADD_FAILURE() << c.name << " decoded";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.path(), c.path) << c.name << ": " << error.what();
        }
    }
}

TEST(RecordDecoding, OneBadElementFailsTheWholeDocument) {
    json album = {
        {"id", "a"}, {"name", "N"}, {"song", {minimalSong("1"), minimalSong("2"), minimalSong("3")}}};
    album["song"][2]["artists"] = {{{"id", "x"}, {"name", "X"}},
                                   {{"id", "y"}, {"name", "Y"}, {"userRating", "5"}}};
    try {
        fromJSON<Album>(album);
        ADD_FAILURE() << "album decoded";
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.path(), "song[2].artists[1].userRating");
        EXPECT_NE(std::string(error.what()).find("song[2].artists[1].userRating"), std::string::npos);
    }

    json page = {{"song", {minimalSong("1"), {{"id", "2"}, {"title", "T"}, {"year", "1999"}}}}};
    EXPECT_THROW(fromJSON<SearchPage>(page), DecodingError);
    json playlist = {{"id", "p"}, {"name", "P"}, {"entry", {minimalSong(), {{"id", "2"}}}}};
    EXPECT_THROW(fromJSON<Playlist>(playlist), DecodingError);
    EXPECT_THROW(fromJSON<APIExtension>(json{{"name", "x"}, {"versions", {1, "2"}}}), DecodingError);
    EXPECT_THROW(fromJSON<APIExtension>(json{{"name", "x"}}), DecodingError);
}

TEST(RecordDecoding, MalformedTextIsADecodingError) {
    for (const char* text :
         {"", "{", R"({"id":"1","title":"T",})", "{\"id\":\"\xff\",\"title\":\"T\"}", "nan"})
        EXPECT_THROW(fromJSONText<Song>(text), DecodingError) << text;
}

TEST(RecordDecoding, MinimalSongHasOnlyItsTwoRequiredKeys) {
    Song song = fromJSON<Song>(minimalSong());
    EXPECT_EQ(song, Song::make("1", "T"));
    EXPECT_EQ(toJSONText(song), R"({"id":"1","title":"T"})");
}

TEST(RecordDecoding, NullsAreAbsentNumbersWidenAndUnknownKeysAreDropped) {
    Song song = fromJSONText<Song>(R"({"id":"1","title":"T","starred":null,"artists":null,"duration":215,
        "track":3.0,"discNumber":-2,"year":2e3,"isDir":true,"mediaType":"song","replayGain":{"trackGain":1}})");
    EXPECT_FALSE(song.starred);
    EXPECT_FALSE(song.artists);
    EXPECT_EQ(song.duration, 215.0);
    EXPECT_EQ(song.track, 3);
    EXPECT_EQ(song.discNumber, -2);
    EXPECT_EQ(song.year, 2000);
    EXPECT_EQ(toJSONText(song),
              R"({"discNumber":-2,"duration":215.0,"id":"1","title":"T","track":3,"year":2000})");
}

TEST(RecordDecoding, IntegerLimitsSurvive) {
    auto limits = fromJSONText<Song>(R"({"id":"1","title":"T","size":9223372036854775807,
        "bitRate":-9223372036854775808})");
    EXPECT_EQ(limits.size, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(limits.bitRate, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(fromJSONText<Song>(toJSONText(limits)), limits);
}

TEST(RecordEncoding, RoundTripIsExactAndDeterministic) {
    Song song = fullSong();
    std::string text = toJSONText(song);
    EXPECT_EQ(fromJSONText<Song>(text), song);
    EXPECT_EQ(toJSONText(fromJSONText<Song>(text)), text);
    EXPECT_EQ(json::parse(text).size(), 34u);
    // Sorted keys: a document written in another key order gives the same text.
    json sorted = json::parse(text);
    nlohmann::ordered_json reversed = nlohmann::ordered_json::object();
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        reversed[it.key()] = nlohmann::ordered_json::parse(it.value().dump());
    std::string shuffled = reversed.dump();
    ASSERT_NE(shuffled, text);
    EXPECT_EQ(toJSONText(fromJSONText<Song>(shuffled)), text);

    Album album = Album::make("a", "N", "Artist");
    album.song = std::vector{song, Song::make("2", "U")};
    album.genres = std::vector<ItemGenre>{};
    album.isCompilation = true;
    album.duration = 0.1;
    EXPECT_EQ(fromJSONText<Album>(toJSONText(album)), album);
    EXPECT_NE(toJSONText(album).find(R"("genres":[])"), std::string::npos);

    Playlist playlist{"p", "P", 2, 1.5, "c", "me", "now", std::vector{song}};
    EXPECT_EQ(fromJSONText<Playlist>(toJSONText(playlist)), playlist);

    SearchPage page = SearchPage::make({Artist::make("x", "X")}, {album}, {});
    SearchPage back = fromJSONText<SearchPage>(toJSONText(page));
    EXPECT_EQ(back.artist, page.artist);
    EXPECT_EQ(back.album, page.album);
    EXPECT_EQ(back.song, std::vector<Song>{});
}

TEST(RecordEncoding, NonFiniteDoublesCannotBeEncoded) {
    for (double bad :
         {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        Song song = Song::make("1", "T");
        song.duration = bad;
        EXPECT_THROW(song.encode(), EncodingError);
        Album album = Album::make("a", "N");
        album.song = std::vector{Song::make("2", "U"), song};
        try {
            toJSONText(album);
            ADD_FAILURE() << "encoded";
        } catch (const EncodingError& error) {
            EXPECT_EQ(error.path(), "song[1].duration");
        }
    }
}

TEST(RecordEncoding, InvalidUTF8IsAnEncodingError) {
    EXPECT_THROW(toJSONText(Song::make("1", "\xff")), EncodingError);
}

} // namespace
} // namespace sorvalind
