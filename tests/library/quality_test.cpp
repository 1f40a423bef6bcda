#include "library/album_sort.h"
#include "library/download_quality.h"
#include "library/library_item_kind.h"
#include "library/search_results.h"
#include "library/song_sort.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace sorvalind {
namespace {

TEST(DownloadQualityValues, Table) {
    struct Row {
        DownloadQuality quality;
        const char* raw;
        const char* label;
        std::optional<std::int64_t> bitrate;
    };
    const Row rows[] = {
        {DownloadQuality::original, "original", "Original quality", std::nullopt},
        {DownloadQuality::mp3_192, "mp3_192", "MP3 \u00b7 192 kbps", 192},
        {DownloadQuality::mp3_256, "mp3_256", "MP3 \u00b7 256 kbps", 256},
        {DownloadQuality::mp3_320, "mp3_320", "MP3 \u00b7 320 kbps", 320},
    };
    ASSERT_EQ(DownloadQuality::allCases().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(DownloadQuality::allCases()[i], row.quality);
        EXPECT_EQ(row.quality.rawValue(), row.raw);
        EXPECT_EQ(row.quality.id(), row.raw);
        EXPECT_EQ(row.quality.label(), row.label);
        EXPECT_EQ(row.quality.bitrate(), row.bitrate);
        EXPECT_EQ(DownloadQuality::fromRaw(row.raw), row.quality);
        EXPECT_EQ(std::hash<DownloadQuality>{}(row.quality), std::hash<std::string_view>{}(row.raw));
    }
    for (const char* other : {"MP3_320", " mp3_320", "mp3_320 ", "", "Original", "mp3", "mp3_128"})
        EXPECT_FALSE(DownloadQuality::fromRaw(other)) << other;
}

TEST(StoredVocabularies, RawValuesAndExactMatch) {
    std::vector<std::string_view> albumRaws, songRaws, kindRaws;
    for (AlbumSort sort : AlbumSort::allCases())
        albumRaws.push_back(sort.rawValue());
    for (SongSort sort : SongSort::allCases())
        songRaws.push_back(sort.rawValue());
    for (LibraryItemKind kind : LibraryItemKind::allCases())
        kindRaws.push_back(kind.rawValue());
    EXPECT_EQ(albumRaws, (std::vector<std::string_view>{"title", "artist", "year", "added"}));
    EXPECT_EQ(songRaws,
              (std::vector<std::string_view>{"title", "artist", "album", "added", "played", "playCount"}));
    EXPECT_EQ(kindRaws, (std::vector<std::string_view>{"song", "album", "artist"}));

    EXPECT_EQ(SongSort::fromRaw("playCount"), SongSort::playCount);
    EXPECT_EQ(AlbumSort::fromRaw("year"), AlbumSort::year);
    EXPECT_EQ(LibraryItemKind::fromRaw("artist"), LibraryItemKind::artist);
    EXPECT_FALSE(SongSort::fromRaw("playcount"));
    EXPECT_FALSE(SongSort::fromRaw("year"));
    EXPECT_FALSE(AlbumSort::fromRaw("Title"));
    EXPECT_FALSE(LibraryItemKind::fromRaw("songs"));
    EXPECT_FALSE(LibraryItemKind::fromRaw(""));

    std::unordered_set<SongSort> sorts(SongSort::allCases().begin(), SongSort::allCases().end());
    EXPECT_EQ(sorts.size(), 6u);
    EXPECT_TRUE(sorts.count(SongSort::album));
}

TEST(SearchResultsCount, AddsAllThreeLists) {
    SearchResults results{{Song::make("1", "A"), Song::make("2", "B")}, {}, {Artist::make("3", "C")}};
    EXPECT_EQ(results.count(), 3u);
    EXPECT_EQ(SearchResults{}.count(), 0u);
}

} // namespace
} // namespace sorvalind
