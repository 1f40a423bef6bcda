// The home page's row derivation and row geometry as plain values: the
// stable bounded orders, missing values, the twelve-album cut, the keyed
// collection order, the derivation cache, and the arrow step and clamps.

#include "library_window/home_rows.h"
#include "library_window/row_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace sorvalind::test {
namespace {

constexpr CollectionKey kFixedKey{0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL};

Album album(std::string id) {
    return Album::make(id, "Album " + id, std::string("Artist"));
}

std::vector<std::string> ids(const std::vector<Album>& albums) {
    std::vector<std::string> result;
    for (const Album& a : albums)
        result.push_back(a.id);
    return result;
}

std::map<std::string, std::vector<std::string>> rowIds(const std::vector<Album>& albums) {
    std::map<std::string, std::vector<std::string>> rows;
    for (const HomeRow& row : deriveHomeRows(albums, kFixedKey))
        rows[row.title] = ids(row.albums);
    return rows;
}

TEST(HomeRowsTest, OrdersAreStableAndMissingValuesLeaveOrSinkAlbums) {
    std::vector<Album> albums;
    for (const char* id : {"a", "b", "c", "d", "e"})
        albums.push_back(album(id));
    albums[0].created = "2024-01-01T00:00:00Z";
    albums[1].created = "2025-06-01T00:00:00Z";
    // c has no date: it comes after every dated album.
    albums[3].created = "2024-01-01T00:00:00Z"; // ties with a, stays after it
    albums[4].created = "2023-01-01T00:00:00Z";
    albums[1].played = "2025-01-01T00:00:00Z";
    albums[3].played = "2025-02-01T00:00:00Z";
    albums[0].playCount = 0;
    albums[2].playCount = 4;
    albums[4].playCount = 4;
    albums[1].playCount = 9;
    albums[4].starred = "2024-01-01T00:00:00Z";
    albums[2].starred = "2024-01-01T00:00:00Z";

    const auto rows = deriveHomeRows(albums, kFixedKey);
    std::vector<std::string> titles;
    for (const HomeRow& row : rows)
        titles.push_back(row.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Recently added", "Recently played", "Most played",
                                                "From your collection", "Favorites"}));
    auto byTitle = rowIds(albums);
    EXPECT_EQ(byTitle["Recently added"], (std::vector<std::string>{"b", "a", "d", "e", "c"}));
    EXPECT_EQ(byTitle["Recently played"], (std::vector<std::string>{"d", "b"}));
    EXPECT_EQ(byTitle["Most played"], (std::vector<std::string>{"b", "c", "e"}));
    EXPECT_EQ(byTitle["Favorites"], (std::vector<std::string>{"c", "e"}));
    EXPECT_EQ(byTitle["From your collection"].size(), 5u);
}

TEST(HomeRowsTest, RowsWithoutQualifyingAlbumsAreLeftOut) {
    EXPECT_TRUE(deriveHomeRows({}, kFixedKey).empty());
    const auto rows = rowIds({album("x")});
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows.contains("Recently added"));
    EXPECT_TRUE(rows.contains("From your collection"));
}

TEST(HomeRowsTest, ThirteenQualifyingAlbumsShowTheFirstTwelveOfTheOrder) {
    std::vector<Album> albums;
    for (int i = 0; i < 13; ++i) {
        Album a = album("id" + std::to_string(i));
        // Ascending in the list, so the derived order is the reverse; ties
        // between 5 and 6 keep the list's order.
        a.created = "2024-01-" + std::string(i < 10 ? "0" : "") + std::to_string(i == 6 ? 5 : i);
        a.played = a.created;
        a.playCount = i + 1;
        a.starred = "yes";
        albums.push_back(a);
    }
    auto rows = rowIds(albums);
    std::vector<std::string> expected;
    for (int i : {12, 11, 10, 9, 8, 7, 5, 6, 4, 3, 2, 1})
        expected.push_back("id" + std::to_string(i));
    EXPECT_EQ(rows["Recently added"], expected);
    EXPECT_EQ(rows["Recently played"], expected);
    std::vector<std::string> most;
    for (int i = 12; i >= 1; --i)
        most.push_back("id" + std::to_string(i));
    EXPECT_EQ(rows["Most played"], most);
    std::vector<std::string> favorites;
    for (int i = 0; i < 12; ++i)
        favorites.push_back("id" + std::to_string(i));
    EXPECT_EQ(rows["Favorites"], favorites);

    // The collection keeps the twelve smallest hashes, ascending.
    std::vector<std::pair<std::uint64_t, std::string>> hashed;
    for (const Album& a : albums)
        hashed.emplace_back(collectionHash(a.id, kFixedKey), a.id);
    std::ranges::sort(hashed);
    std::vector<std::string> collection;
    for (std::size_t i = 0; i < 12; ++i)
        collection.push_back(hashed[i].second);
    EXPECT_EQ(rows["From your collection"], collection);
}

TEST(HomeRowsTest, CollectionOrderFollowsTheKey) {
    std::vector<Album> albums;
    for (int i = 0; i < 40; ++i)
        albums.push_back(album("al-" + std::to_string(i)));
    const auto first = rowIds(albums)["From your collection"];
    EXPECT_EQ(rowIds(albums)["From your collection"], first);
    std::vector<std::string> other;
    for (const HomeRow& row : deriveHomeRows(albums, CollectionKey{1, 2}))
        if (row.title == "From your collection") other = ids(row.albums);
    EXPECT_NE(other, first);
    // The published SipHash-2-4 vector: key 00..0f, empty message.
    EXPECT_EQ(collectionHash("", kFixedKey), 0x726fdb47dd0e0e31ULL);
    // The process key is drawn once, whatever source is given later.
    int draws = 0;
    const CollectionKey& once = processCollectionKey([&] { return std::uint64_t(++draws); });
    const CollectionKey& again = processCollectionKey([&] { return std::uint64_t(++draws + 100); });
    EXPECT_EQ(&once, &again);
    EXPECT_EQ(once.k0, again.k0);
    EXPECT_LE(draws, 2);
}

TEST(HomeRowsTest, CacheDerivesOnlyForAnotherList) {
    HomeRowCache cache(kFixedKey);
    auto list = std::make_shared<const std::vector<Album>>(std::vector<Album>{album("a")});
    cache.rows(list);
    cache.rows(list);
    EXPECT_EQ(cache.derivations(), 1u);
    auto equal = std::make_shared<const std::vector<Album>>(*list);
    EXPECT_EQ(cache.rows(equal).size(), 2u);
    EXPECT_EQ(cache.derivations(), 2u);
    EXPECT_TRUE(cache.rows(nullptr).empty());
}

TEST(RowGeometryTest, StepIsWholeTilesClampedToTheContent) {
    struct Case {
        RowGeometry geometry;
        int direction;
        double target;
    };
    const Case cases[] = {
        {{0, 100, 2000}, +1, 176},     // narrower than a tile: still one tile
        {{0, 700, 2000}, +1, 528},     // three whole tiles
        {{600, 700, 2000}, -1, 72},    // back by three tiles
        {{300, 700, 2000}, -1, 0},     // clamped to the start
        {{1900, 700, 2000}, +1, 2000}, // stops exactly at the end
        {{0, 1180, 0}, +1, 0},         // nothing to scroll
        {{0, 176, 500}, +1, 176},      {{0, 351, 500}, +1, 176},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(c.geometry.target(c.direction), c.target)
            << c.geometry.offset << " " << c.geometry.width << " " << c.direction;
}

TEST(RowGeometryTest, ArrowsFollowTheOffsetWithinOnePoint) {
    EXPECT_EQ(RowGeometry::fromBar(5, 300, -20).maximumOffset, 0);
    EXPECT_FALSE((RowGeometry{0, 800, 1}).arrowsShown());
    EXPECT_TRUE((RowGeometry{0, 800, 2}).arrowsShown());
    EXPECT_FALSE((RowGeometry{1, 800, 500}).canScrollLeft());
    EXPECT_TRUE((RowGeometry{2, 800, 500}).canScrollLeft());
    EXPECT_TRUE((RowGeometry{498, 800, 500}).canScrollRight());
    EXPECT_FALSE((RowGeometry{499, 800, 500}).canScrollRight());
}

} // namespace
} // namespace sorvalind::test
