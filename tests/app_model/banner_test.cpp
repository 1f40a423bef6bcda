// The home banner's rotation and colour.
#include "fake_image_decoder.h"
#include "model/album_banner_tint.h"
#include "model/featured_albums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace sorvalind::test {
namespace {

std::vector<Album> library(int count, int first = 1) {
    std::vector<Album> albums;
    for (int i = first; i < first + count; ++i)
        albums.push_back(Album::make("al-" + std::to_string(i), "Album " + std::to_string(i)));
    return albums;
}

std::set<std::string> ids(const std::vector<Album>& albums) {
    std::set<std::string> result;
    for (const Album& album : albums)
        result.insert(album.id);
    return result;
}

std::vector<std::string> order(const FeaturedAlbums& featured) {
    std::vector<std::string> result;
    for (const Album& album : featured.albums)
        result.push_back(album.id);
    return result;
}

constexpr std::uint64_t kSeeds = 50;

// A seeded source, so that a failing seed can be run again.
ShuffleSource seeded(std::uint64_t seed) {
    return [engine = std::mt19937_64(seed)](std::size_t bound) mutable { return engine() % bound; };
}

TEST(FeaturedAlbumsTest, UpdateFillsKeepsAndEmptiesTheRotation) {
    for (std::uint64_t seed = 0; seed < kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        const ShuffleSource random = seeded(seed);

        FeaturedAlbums three;
        three.update(library(3), random);
        EXPECT_EQ(ids(three.albums), ids(library(3)));
        EXPECT_EQ(three.selectedID, three.albums.front().id);

        FeaturedAlbums featured;
        const std::vector<Album> twelve = library(12);
        featured.update(twelve, random);
        ASSERT_EQ(featured.albums.size(), 5u);
        EXPECT_EQ(ids(featured.albums).size(), 5u);
        const std::vector<std::string> before = order(featured);

        // The shown album disappears and another one changes: the first
        // remaining album is selected, the changed one stays in its place,
        // and the gap is topped up from the rest.
        featured.move(2);
        const std::string shown = *featured.selectedID;
        const std::string changed = featured.albums[4].id;
        std::vector<Album> next;
        for (Album album : twelve) {
            if (album.id == shown) continue;
            if (album.id == changed) album.name = "Renamed";
            next.push_back(album);
        }
        featured.update(next, random);
        ASSERT_EQ(featured.albums.size(), 5u);
        EXPECT_FALSE(ids(featured.albums).contains(shown));
        EXPECT_EQ(featured.albums[3].id, changed);
        EXPECT_EQ(featured.albums[3].name, "Renamed");
        EXPECT_EQ(featured.selectedID, before[0]);

        featured.update({}, random);
        EXPECT_TRUE(featured.albums.empty());
        EXPECT_FALSE(featured.selectedID);
        EXPECT_EQ(featured.selected(), nullptr);
    }
}

TEST(FeaturedAlbumsTest, UpdateCountsADuplicateIdentifierOnceByItsFirstAlbum) {
    const ShuffleSource random = seeded(7);
    std::vector<Album> albums = library(2);
    albums.push_back(Album::make("al-1", "Second copy"));
    FeaturedAlbums featured;
    featured.update(albums, random);
    ASSERT_EQ(featured.albums.size(), 2u);
    for (const Album& album : featured.albums)
        EXPECT_NE(album.name, "Second copy");
}

TEST(FeaturedAlbumsTest, RefreshPrefersAlbumsNotFeaturedBefore) {
    struct Case {
        int libraryCount;
        std::size_t newAlbums;
    };
    for (const Case c : {Case{12, 5}, Case{7, 2}, Case{5, 0}, Case{3, 0}}) {
        for (std::uint64_t seed = 0; seed < kSeeds; ++seed) {
            SCOPED_TRACE(testing::Message() << c.libraryCount << " albums, seed " << seed);
            const ShuffleSource random = seeded(seed);
            const std::vector<Album> albums = library(c.libraryCount);
            FeaturedAlbums featured;
            featured.update(albums, random);
            featured.move(1);
            const std::set<std::string> previous = ids(featured.albums);
            const std::string shown = *featured.selectedID;

            featured.refresh(albums, random);
            const std::vector<std::string> now = order(featured);
            ASSERT_EQ(now.size(), std::min<std::size_t>(5, albums.size()));
            EXPECT_EQ(ids(featured.albums).size(), now.size());
            // The new albums come first, then the previous ones top it up.
            for (std::size_t i = 0; i < now.size(); ++i)
                EXPECT_EQ(previous.contains(now[i]), i >= c.newAlbums) << now[i];
            EXPECT_NE(now.front(), shown);
            EXPECT_EQ(featured.selectedID, now.front());
        }
    }
}

TEST(FeaturedAlbumsTest, MoveWrapsBothWays) {
    FeaturedAlbums featured;
    featured.albums = library(4);
    struct Case {
        std::optional<std::string> from;
        std::ptrdiff_t offset;
        std::optional<std::string> to;
    };
    const Case cases[] = {
        {"al-1", -1, "al-4"}, {"al-4", 1, "al-1"},  {std::nullopt, 1, "al-2"},
        {"gone", 2, "al-3"},  {"al-2", -6, "al-4"}, {"al-3", 9, "al-4"},
    };
    for (const Case& c : cases) {
        featured.selectedID = c.from;
        featured.move(c.offset);
        EXPECT_EQ(featured.selectedID, c.to) << c.from.value_or("none") << " " << c.offset;
    }
    FeaturedAlbums empty;
    empty.selectedID = "al-1";
    empty.move(1);
    EXPECT_FALSE(empty.selectedID);
}

// A picture of the given size whose pixels come from `paint(x, y)`.
DecodedImage picture(int width, int height,
                     const std::function<std::array<std::uint8_t, 4>(int, int)>& paint) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.bytesPerLine = static_cast<std::size_t>(width) * 4;
    image.pixels.resize(image.byteCount());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto rgba = paint(x, y);
            std::copy(rgba.begin(), rgba.end(),
                      image.pixels.begin() +
                          static_cast<std::ptrdiff_t>(image.pixel(x, y) - image.pixels.data()));
        }
    return image;
}

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(AlbumBannerTintTest, SampleFindsTheDominantColourOrFallsBack) {
    const FakeImageDecoder decoder;
    const AlbumBannerTint fallback{0.16, 0.2, 0.24};
    struct Case {
        const char* name;
        std::string bytes;
        AlbumBannerTint tint;
    };
    const Case cases[] = {
        {"not an image", "garbage", fallback},
        {"fully transparent", FakeImageDecoder::encode(10, 10, {0, 0, 0, 0}), fallback},
        {"at most half opaque", FakeImageDecoder::encode(10, 10, {255, 0, 0, 127}), fallback},
        {"bomb-sized dimensions", FakeImageDecoder::encode(100000, 100000, {255, 0, 0, 255}), fallback},
        {"pure red", FakeImageDecoder::encode(300, 200, {255, 0, 0, 255}), {1, 0, 0}},
        {"white", FakeImageDecoder::encode(8, 8, {255, 255, 255, 255}), {1, 1, 1}},
    };
    for (const Case& c : cases) {
        const AlbumBannerTint tint = AlbumBannerTint::sample(bytes(c.bytes), decoder);
        EXPECT_NEAR(tint.red, c.tint.red, 1e-9) << c.name;
        EXPECT_NEAR(tint.green, c.tint.green, 1e-9) << c.name;
        EXPECT_NEAR(tint.blue, c.tint.blue, 1e-9) << c.name;
    }
    // Only the 32-pixel thumbnail was decoded, and never the bomb.
    EXPECT_EQ(decoder.decodes(), 4);
}

TEST(AlbumBannerTintTest, SaturatedPixelsOutweighGreyAndTiesGoToTheLowestBucket) {
    // Saturated pixels weigh 3, grey ones 1: 320 blue pixels (960) outweigh
    // 704 grey ones.
    const DecodedImage mostlyGrey = picture(32, 32, [](int x, int) {
        return x < 10 ? std::array<std::uint8_t, 4>{0, 0, 255, 255}
                      : std::array<std::uint8_t, 4>{128, 128, 128, 255};
    });
    const AlbumBannerTint blue = AlbumBannerTint::sample(mostlyGrey);
    EXPECT_EQ(blue, (AlbumBannerTint{0, 0, 1}));

    // Two grey halves of exactly equal weight: the darker bucket has the
    // lower key and wins, whichever half comes first in the picture.
    for (bool darkFirst : {true, false}) {
        const DecodedImage halves = picture(32, 32, [&](int x, int) {
            const bool dark = (x < 16) == darkFirst;
            const std::uint8_t level = dark ? 64 : 192;
            return std::array<std::uint8_t, 4>{level, level, level, 255};
        });
        const AlbumBannerTint tint = AlbumBannerTint::sample(halves);
        EXPECT_NEAR(tint.red, 64 / 255.0, 1e-9) << darkFirst;
    }
}

TEST(AlbumBannerTintTest, TextColourAndGradientFollowTheLuminance) {
    const AlbumBannerTint white{1, 1, 1};
    EXPECT_TRUE(white.usesDarkText());
    EXPECT_EQ(white.gradient().start, white);
    EXPECT_NEAR(white.gradient().end.red, 1.0, 1e-12);

    const AlbumBannerTint black{0, 0, 0};
    EXPECT_FALSE(black.usesDarkText());
    EXPECT_EQ(black.gradient().end, black);

    const AlbumBannerTint fallback = AlbumBannerTint::fallback();
    EXPECT_FALSE(fallback.usesDarkText());
    EXPECT_NEAR(fallback.gradient().end.blue, 0.24 * 0.76, 1e-12);
}

} // namespace
} // namespace sorvalind::test
