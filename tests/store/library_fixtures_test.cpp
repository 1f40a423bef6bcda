// Real server answers that carry songs, albums and artists go into a store
// and come back equal, and the artists' album counts agree between the
// statement that counts only the matched artists and the one that counts
// the whole library, on a large generated library.
#include "store/store_test_support.h"

#include "loopback/generated_library.h"
#include "store/fts_query.h"
#include "store/library_query_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace sorvalind {
namespace {

using nlohmann::json;

struct FixtureList {
    const char* file;
    // JSON pointer to a list (or, for a single object, the object itself).
    const char* pointer;
    enum Kind { songs, albums, artists } kind;
};

const std::vector<FixtureList>& fixtureLists() {
    static const std::vector<FixtureList> lists{
        {"subsonic/child-with-data.json", "/directory/child", FixtureList::songs},
        {"subsonic/child-without-data-opensubsonic.json", "/directory/child", FixtureList::songs},
        {"subsonic/child-without-data.json", "/directory/child", FixtureList::songs},
        {"subsonic/albumwithsongsid3-with-data.json", "/album", FixtureList::albums},
        {"subsonic/albumwithsongsid3-with-data.json", "/album/song", FixtureList::songs},
        {"subsonic/topsongs-with-data.json", "/topSongs/song", FixtureList::songs},
        {"subsonic/artist-with-data.json", "/artists/index/0/artist", FixtureList::artists},
        {"subsonic/artist-with-opensubsonic-data.json", "/artists/index/0/artist", FixtureList::artists},
        {"opensubsonic/search3-opensubsonic.json", "/subsonic-response/searchResult3/artist",
         FixtureList::artists},
        {"opensubsonic/search3-opensubsonic.json", "/subsonic-response/searchResult3/album",
         FixtureList::albums},
        {"opensubsonic/search3-opensubsonic.json", "/subsonic-response/searchResult3/song",
         FixtureList::songs},
        {"opensubsonic/search3-subsonic.json", "/subsonic-response/searchResult3/song", FixtureList::songs},
        {"opensubsonic/getstarred2-opensubsonic.json", "/subsonic-response/starred2/artist",
         FixtureList::artists},
        {"opensubsonic/getstarred2-opensubsonic.json", "/subsonic-response/starred2/album",
         FixtureList::albums},
        {"opensubsonic/getstarred2-opensubsonic.json", "/subsonic-response/starred2/song",
         FixtureList::songs},
        {"opensubsonic/getplaylist-opensubsonic.json", "/subsonic-response/playlist/entry",
         FixtureList::songs},
        {"opensubsonic/createshare-opensubsonic.json", "/subsonic-response/shares/share/0/entry",
         FixtureList::songs},
    };
    return lists;
}

// Through the text decoder, as the store reads its rows.
template <class T> std::vector<T> decodeAll(const json& value) {
    std::vector<T> records;
    if (!value.is_array()) return {fromJSONText<T>(value.dump())};
    for (const auto& element : value)
        records.push_back(fromJSONText<T>(element.dump()));
    return records;
}

class RealAnswersInTheStore : public test::StoreTest {};

TEST_F(RealAnswersInTheStore, ComeBackEqual) {
    const auto root = test::sharedFixtures();
    if (!root) GTEST_SKIP() << "no shared fixtures";
    for (const FixtureList& list : fixtureLists()) {
        SCOPED_TRACE(std::string(list.file) + " " + list.pointer);
        repository.reset();
        std::filesystem::remove(file());
        open();
        const json value =
            json::parse(test::readFile(*root / list.file)).at(json::json_pointer(list.pointer));
        switch (list.kind) {
        case FixtureList::songs: {
            const auto songs = decodeAll<Song>(value);
            ASSERT_FALSE(songs.empty());
            repository->ingest(SearchPage::make({}, {}, songs), "G1");
            for (const Song& song : songs)
                EXPECT_EQ(repository->song(song.id), song);
            // Every song is listed and found by a word of its title.
            EXPECT_EQ(repository->songs("", SongSort::title).size(), songs.size());
            for (const Song& song : songs)
                if (!ftsQuery(song.title).empty()) {
                    auto found = repository->songs(song.title, SongSort::title);
                    EXPECT_NE(std::find(found.begin(), found.end(), song), found.end()) << song.title;
                }
            break;
        }
        case FixtureList::albums: {
            const auto albums = decodeAll<Album>(value);
            repository->ingest(SearchPage::make({}, albums, {}), "G1");
            for (const Album& album : albums)
                EXPECT_EQ(repository->album(album.id), album);
            EXPECT_EQ(repository->albums("", AlbumSort::title).size(), albums.size());
            break;
        }
        case FixtureList::artists: {
            auto artists = decodeAll<Artist>(value);
            repository->ingest(SearchPage::make(artists, {}, {}), "G1");
            auto stored = repository->artists("");
            ASSERT_EQ(stored.size(), artists.size());
            for (auto& artist : stored) {
                EXPECT_EQ(artist.albumCount, 0) << "no albums stored";
                artist.albumCount = std::nullopt;
            }
            for (auto& artist : artists)
                artist.albumCount = std::nullopt;
            auto byID = [](const Artist& a, const Artist& b) { return a.id < b.id; };
            std::sort(stored.begin(), stored.end(), byID);
            std::sort(artists.begin(), artists.end(), byID);
            EXPECT_EQ(stored, artists);
            break;
        }
        }
    }
}

// Both statements' rows, as texts, for one search text.
std::vector<std::string> rowsOf(Database& database, const QueryText& query) {
    auto statement = database.prepare(query.sql);
    int index = 1;
    for (const auto& binding : query.bindings)
        statement.bind(index++, binding ? std::optional<std::string_view>(*binding) : std::nullopt);
    std::vector<std::string> rows;
    while (statement.step())
        rows.emplace_back(statement.columnText(0).value_or("NULL"));
    return rows;
}

class GeneratedLibraryInTheStore : public test::StoreTest {};

TEST_F(GeneratedLibraryInTheStore, MatchedArtistsCountAsTheWholeLibraryCounts) {
    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(4000));
    open();
    for (int page = 0; page < library.pageCount(); ++page)
        repository->ingest(library.page(page), "G1");
    // An album only an artist's album-artist list names, with no songs.
    Album lonely = Album::make("al-x", "Lonely", "Nobody");
    lonely.albumArtists = std::vector{Artist::make("ar-3", "Whoever")};
    repository->ingest(SearchPage::make({}, {lonely}, {}), "G1");

    auto database = raw();
    std::size_t compared = 0;
    for (const char* text :
         {"s", "so", "lum", "mül", "MULLER", "zoe lum", "é", "ana", "søren", "x y z", "2"}) {
        const auto expected = rowsOf(database, artistsQueryTextCountingAll(text));
        EXPECT_EQ(rowsOf(database, artistsQueryText(text)), expected) << text;
        compared += expected.size();
        std::vector<std::string> listed;
        for (const Artist& artist : repository->artists(text))
            listed.push_back(toJSONText(artist));
        std::vector<std::string> decoded;
        for (const auto& row : expected)
            decoded.push_back(toJSONText(fromJSONText<Artist>(row)));
        EXPECT_EQ(listed, decoded) << text;
    }
    EXPECT_GT(compared, 100u);
}

} // namespace
} // namespace sorvalind
