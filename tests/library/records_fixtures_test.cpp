// Decodes the records inside real server responses and checks that each one
// survives an encode/decode round trip unchanged.
#include "library/album.h"
#include "library/api_extension.h"
#include "library/json_coding.h"
#include "library/playlist.h"
#include "library/search_page.h"
#include "library/song.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sorvalind {
namespace {

using nlohmann::json;

// The payload of a response, whether or not it is wrapped in "subsonic-response".
json payload(const std::filesystem::path& file) {
    json document = json::parse(test::readFile(file));
    if (document.contains("subsonic-response")) return document["subsonic-response"];
    return document;
}

template <class T> void expectRoundTrip(const T& value) {
    EXPECT_EQ(fromJSON<T>(value.encode()), value);
    EXPECT_EQ(toJSONText(fromJSONText<T>(toJSONText(value))), toJSONText(value));
}

void expectPageRoundTrip(const SearchPage& page) {
    SearchPage back = fromJSON<SearchPage>(page.encode());
    EXPECT_EQ(back.artist, page.artist);
    EXPECT_EQ(back.album, page.album);
    EXPECT_EQ(back.song, page.song);
}

template <class T> std::vector<T> decodeList(const json& list) {
    std::vector<T> values;
    for (const auto& element : list)
        values.push_back(fromJSON<T>(element));
    for (const auto& value : values)
        expectRoundTrip(value);
    return values;
}

class RealResponses : public ::testing::Test {
protected:
    void SetUp() override {
        auto root = test::sharedFixtures();
        if (!root) GTEST_SKIP() << "no shared fixtures";
        root_ = *root;
    }
    json load(const char* relative) { return payload(root_ / relative); }
    std::filesystem::path root_;
};

TEST_F(RealResponses, SearchPages) {
    for (const char* file :
         {"opensubsonic/search3-opensubsonic.json", "opensubsonic/search3-subsonic.json",
          "opensubsonic/getstarred2-opensubsonic.json", "opensubsonic/getstarred2-subsonic.json"}) {
        json response = load(file);
        const json& inner =
            response.contains("searchResult3") ? response["searchResult3"] : response["starred2"];
        SearchPage page = fromJSON<SearchPage>(inner);
        ASSERT_FALSE(page.isEmpty()) << file;
        expectPageRoundTrip(page);
        ASSERT_TRUE(page.song && !page.song->empty());
        const Song& song = page.song->front();
        EXPECT_EQ(song.suffix, "flac");
        EXPECT_EQ(song.duration, 178.0);
        EXPECT_EQ(song.quality(), "FLAC \u00b7 16-bit \u00b7 44.1 kHz");
        EXPECT_EQ(song.isVideo, false);
    }
}

TEST_F(RealResponses, Playlists) {
    for (const char* file :
         {"opensubsonic/getplaylist-opensubsonic.json", "opensubsonic/getplaylist-subsonic.json"}) {
        Playlist playlist = fromJSON<Playlist>(load(file)["playlist"]);
        ASSERT_TRUE(playlist.entry) << file;
        EXPECT_EQ(playlist.entry->size(), 1u);
        EXPECT_EQ(playlist.entry->front().userRating, 5);
        expectRoundTrip(playlist);
    }
    for (const char* file :
         {"opensubsonic/getplaylists-opensubsonic.json", "opensubsonic/getplaylists-subsonic.json",
          "subsonic/playlists-with-data.json"}) {
        auto playlists = decodeList<Playlist>(load(file)["playlists"]["playlist"]);
        EXPECT_FALSE(playlists.empty()) << file;
    }
    EXPECT_FALSE(load("subsonic/playlists-without-data.json")["playlists"].contains("playlist"));
}

TEST_F(RealResponses, Extensions) {
    for (const char* file : {"opensubsonic/getopensubsonicextensions-opensubsonic.json",
                             "subsonic/opensubsonicextensions-with-data.json"}) {
        const nlohmann::json response = load(file);
        for (const auto& element : response["openSubsonicExtensions"]) {
            APIExtension extension = fromJSON<APIExtension>(element);
            APIExtension back = fromJSON<APIExtension>(extension.encode());
            EXPECT_EQ(back.name, extension.name);
            EXPECT_EQ(back.versions, extension.versions);
            EXPECT_FALSE(extension.versions.empty());
        }
    }
}

// A fully populated song of a real server, with the directory flag, media
// type, replay gain and other keys this system does not keep.
TEST_F(RealResponses, FullyPopulatedChildSongs) {
    auto songs = decodeList<Song>(load("subsonic/child-with-data.json")["directory"]["child"]);
    ASSERT_FALSE(songs.empty());
    const Song& song = songs.front();
    EXPECT_EQ(song.artistNames(), "artist1, artist2");
    ASSERT_TRUE(song.contributors);
    EXPECT_EQ(song.contributors->size(), 4u);
    EXPECT_EQ(song.contributors->front().subRole, "subrole3");
    EXPECT_EQ(song.genres->size(), 2u);
    EXPECT_EQ(song.encode().count("isDir"), 0u);
    EXPECT_EQ(song.encode().count("mediaType"), 0u);

    for (const char* file :
         {"subsonic/child-without-data.json", "subsonic/child-without-data-opensubsonic.json"})
        decodeList<Song>(load(file)["directory"]["child"]);
}

TEST_F(RealResponses, AlbumsWithSongs) {
    for (const char* file :
         {"subsonic/albumwithsongsid3-with-data.json", "subsonic/albumwithsongsid3-without-data.json",
          "subsonic/albumwithsongsid3-without-data-opensubsonic.json"}) {
        Album album = fromJSON<Album>(load(file)["album"]);
        expectRoundTrip(album);
    }
    Album album = fromJSON<Album>(load("subsonic/albumwithsongsid3-with-data.json")["album"]);
    ASSERT_TRUE(album.song);
    EXPECT_FALSE(album.song->empty());
    EXPECT_EQ(album.isCompilation, true);
}

TEST_F(RealResponses, ArtistIndexes) {
    for (const char* file :
         {"subsonic/artist-with-data.json", "subsonic/artist-with-data-and-mbid-and-sort-name.json",
          "subsonic/artist-with-opensubsonic-data.json"}) {
        const nlohmann::json response = load(file);
        for (const auto& index : response["artists"]["index"]) {
            auto artists = decodeList<Artist>(index["artist"]);
            ASSERT_FALSE(artists.empty()) << file;
            EXPECT_EQ(artists.front().userRating, 3);
        }
    }
}

// Song lists of other methods; the plain album list carries songs' shape.
TEST_F(RealResponses, SongLists) {
    struct Source {
        const char* file;
        const char* key;
        const char* list;
    };
    for (const Source& source : {Source{"subsonic/albumlist-with-data.json", "albumList", "album"},
                                 Source{"subsonic/albumlist-with-os-data.json", "albumList", "album"},
                                 Source{"subsonic/similarsongs-with-data.json", "similarSongs", "song"},
                                 Source{"subsonic/similarsongs2-with-data.json", "similarSongs2", "song"},
                                 Source{"subsonic/topsongs-with-data.json", "topSongs", "song"}}) {
        auto songs = decodeList<Song>(load(source.file)[source.key][source.list]);
        EXPECT_FALSE(songs.empty()) << source.file;
    }
}

// Records carried inside answers of other methods: a created playlist, share,
// bookmark, play-queue, now-playing and similarity entries, index and
// similar-artist lists.
TEST_F(RealResponses, RecordsInsideOtherAnswers) {
    struct Source {
        const char* file;
        const char* pointer;
        enum { songs, song, artists, playlist } kind;
    };
    const Source sources[] = {
        {"opensubsonic/createplaylist-opensubsonic.json", "/playlist", Source::playlist},
        {"opensubsonic/createplaylist-subsonic.json", "/playlist", Source::playlist},
        {"opensubsonic/createshare-opensubsonic.json", "/shares/share/0/entry", Source::songs},
        {"opensubsonic/createshare-subsonic.json", "/shares/share/0/entry", Source::songs},
        {"subsonic/shares-with-data.json", "/shares/share/0/entry", Source::songs},
        {"subsonic/playqueue-with-data.json", "/playQueue/entry", Source::songs},
        {"subsonic/playqueuebyindex-with-data.json", "/playQueueByIndex/entry", Source::songs},
        {"subsonic/nowplaying-with-data.json", "/nowPlaying/entry", Source::songs},
        {"subsonic/directory-with-data.json", "/directory/child", Source::songs},
        {"subsonic/bookmarks-with-data.json", "/bookmarks/bookmark/0/entry", Source::song},
        {"subsonic/sonicmatches-with-data.json", "/sonicMatch/1/entry", Source::song},
        {"subsonic/indexes-with-data.json", "/indexes/index/0/artist", Source::artists},
        {"subsonic/artistinfo-with-data.json", "/artistInfo/similarArtist", Source::artists},
    };
    for (const Source& source : sources) {
        SCOPED_TRACE(source.file);
        const json response = load(source.file);
        const json& inner = response.at(json::json_pointer(source.pointer));
        switch (source.kind) {
        case Source::songs:
            EXPECT_FALSE(decodeList<Song>(inner).empty());
            break;
        case Source::song:
            expectRoundTrip(fromJSON<Song>(inner));
            break;
        case Source::artists:
            EXPECT_FALSE(decodeList<Artist>(inner).empty());
            break;
        case Source::playlist: {
            Playlist playlist = fromJSON<Playlist>(inner);
            ASSERT_TRUE(playlist.entry);
            EXPECT_EQ(playlist.duration, 304.0);
            expectRoundTrip(playlist);
            break;
        }
        }
    }
    EXPECT_TRUE(load("subsonic/opensubsonicextensions-without-data.json")["openSubsonicExtensions"].empty());
}

} // namespace
} // namespace sorvalind
