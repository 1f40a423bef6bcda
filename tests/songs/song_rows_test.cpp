// Rows of a song list in each sort: identities that survive duplicates, the
// order of every key kind, ties kept in the given order, the lookups, edits
// in place and the mapping between sorts and column keys.

#include "song_rows_fixture.h"

#include "songs/song_table_sort.h"
#include "support/locale_environment.h"

#include "platform/text/collator.h"
#include "runtime/cancellation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stop_token>

namespace sorvalind::test {
namespace {

PreparedSongRows prepare(std::vector<Song> songs, SongTableSort sort) {
    return PreparedSongRows::make(listOf(std::move(songs)), comparators(sort), std::stop_token());
}

class SongRows : public ::testing::Test {
protected:
    void SetUp() override { LocaleEnvironment::useLang("en_US.UTF-8"); }
    LocaleEnvironment environment;
};

TEST_F(SongRows, EmptyAndGivenOrderAndDuplicates) {
    for (SongTableSort sort : allSongTableSorts) {
        const PreparedSongRows empty = prepare({}, sort);
        EXPECT_EQ(empty.size(), 0u);
        EXPECT_TRUE(empty.rowsBySongID("a").empty());
        EXPECT_FALSE(empty.rowByID("0:a"));
    }
    std::vector<Song> songs;
    for (int i = 0; i < 9; ++i)
        songs.push_back(song("s" + std::to_string(i), "Song " + std::to_string(i)));
    songs[7] = songs[3]; // a playlist holding one song twice
    PreparedSongRows rows = prepare(songs, SongTableSort::original);
    EXPECT_EQ(rowIDs(rows), (std::vector<std::string>{"0:s0", "1:s1", "2:s2", "3:s3", "4:s4", "5:s5", "6:s6",
                                                      "7:s3", "8:s8"}));
    EXPECT_EQ(rows.rowsBySongID("s3"), (std::vector<std::uint32_t>{3, 7}));
    EXPECT_EQ(rows.rowByID("7:s3"), std::optional<std::size_t>(7));
    for (const char* unknown : {"7:s4", "07:s3", "x:s3", "s3", "9:s9", ":s3", "3:"})
        EXPECT_FALSE(rows.rowByID(unknown)) << unknown;

    Song edited = songs[3];
    edited.userRating = 4;
    EXPECT_EQ(rows.update(edited), (std::set<std::size_t>{3, 7}));
    EXPECT_EQ(rows.rows()[7].rating(), 4);
    EXPECT_TRUE(rows.update(edited).empty()) << "an identical song changes nothing";
    edited.artist = "Someone Else";
    EXPECT_EQ(rows.update(edited), (std::set<std::size_t>{3, 7}));
    EXPECT_EQ(rows.rows()[3].artist(), "Someone Else");
    EXPECT_TRUE(rows.update(song("elsewhere", "Not Listed")).empty());

    // Selected songs come back in display order, unknown identifiers ignored.
    const std::vector<Song> selected = rows.selectedSongs({"8:s8", "1:s1", "nope", "7:s3"});
    ASSERT_EQ(selected.size(), 3u);
    EXPECT_EQ(selected[0].id, "s1");
    EXPECT_EQ(selected[1].id, "s3");
    EXPECT_EQ(selected[2].id, "s8");
}

TEST_F(SongRows, EachSortOrdersItsKey) {
    auto make = [](std::string id, std::string title, auto&& set) {
        Song s = song(std::move(id), std::move(title));
        set(s);
        return s;
    };
    struct Case {
        const char* name;
        SongTableSort sort;
        std::vector<Song> songs;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"artist, album, missing disc counts 1, missing track 0",
         SongTableSort::artist,
         {make("1", "d2t1",
               [](Song& s) {
                   s.artist = "B";
                   s.album = "X";
                   s.discNumber = 2;
                   s.track = 1;
               }),
          make("2", "d1t2",
               [](Song& s) {
                   s.artist = "B";
                   s.album = "X";
                   s.track = 2;
               }),
          make("3", "d1t0",
               [](Song& s) {
                   s.artist = "B";
                   s.album = "X";
                   s.discNumber = 1;
               }),
          make("4", "a",
               [](Song& s) {
                   s.artist = "a";
                   s.album = "Z";
               }),
          make("5", "d1t0 again",
               [](Song& s) {
                   s.artist = "B";
                   s.album = "X";
               })},
         {"a", "d1t0", "d1t0 again", "d1t2", "d2t1"}},
        {"numbers by value, case variants adjacent",
         SongTableSort::title,
         {song("1", "Track 10"), song("2", "track 2"), song("3", "Zed"), song("4", "Track 2"),
          song("5", "TRACK 2")},
         {"track 2", "Track 2", "TRACK 2", "Track 10", "Zed"}},
        {"recently added: no date last",
         SongTableSort::added,
         {make("1", "none", [](Song&) {}),
          make("2", "old", [](Song& s) { s.created = "2020-01-01T00:00:00Z"; }),
          make("3", "new", [](Song& s) { s.created = "2024-05-01T00:00:00Z"; })},
         {"new", "old", "none"}},
        {"rating reverse, ties in given order",
         SongTableSort::rating,
         {make("1", "three a", [](Song& s) { s.userRating = 3; }), make("2", "none", [](Song&) {}),
          make("3", "five", [](Song& s) { s.userRating = 5; }),
          make("4", "three b", [](Song& s) { s.userRating = 3; })},
         {"five", "three a", "three b", "none"}},
        {"liked first, then the given order",
         SongTableSort::liked,
         {song("1", "plain"), make("2", "loved", [](Song& s) { s.starred = "2024-01-01T00:00:00Z"; }),
          song("3", "plain 2")},
         {"loved", "plain", "plain 2"}},
        {"time by value",
         SongTableSort::duration,
         {make("1", "long", [](Song& s) { s.duration = 300.5; }), song("2", "unknown"),
          make("3", "short", [](Song& s) { s.duration = 61; })},
         {"unknown", "short", "long"}},
        {"genre list joined, else the genre field",
         SongTableSort::genre,
         {make("1", "rock", [](Song& s) { s.genre = "Rock"; }),
          make("2", "ambient",
               [](Song& s) {
                   s.genres = std::vector<ItemGenre>{{"Ambient"}, {"Techno"}};
                   s.genre = "Zz";
               }),
          song("3", "none")},
         {"none", "ambient", "rock"}},
        {"most played",
         SongTableSort::playCount,
         {make("1", "once", [](Song& s) { s.playCount = 1; }),
          make("2", "often", [](Song& s) { s.playCount = 40; })},
         {"often", "once"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(titles(prepare(c.songs, c.sort)), c.expected) << c.name;
}

// Every sort against a plain comparison sort of the same keys, on a list
// with many ties, negative and fractional numbers and values wider than one
// counting pass; then the same rows sorted again from another order.
TEST_F(SongRows, EverySortMatchesAComparisonSortOfItsKeys) {
    const text::Collator collator = text::Collator::forUser();
    std::vector<Song> songs;
    for (int i = 0; i < 3000; ++i) {
        Song s = song("s" + std::to_string(i % 2900), "Title " + std::to_string((i * 7919) % 211));
        if (i % 3 != 0) s.artist = "Artist " + std::to_string(i % 13);
        if (i % 5 != 0) s.album = (i % 2 ? "album " : "Album ") + std::to_string(i % 17);
        if (i % 4 != 0) s.duration = ((i * 37) % 601) / 4.0 - (i % 9 == 0 ? 1e6 : 0);
        if (i % 6 != 0) s.userRating = i % 6;
        if (i % 7 == 0) s.starred = "2024-01-01T00:00:00Z";
        if (i % 2 == 0) s.discNumber = (i / 2) % 3;
        if (i % 8 != 0) s.track = (i * 104729) % 5000000000LL - 2500000000LL;
        if (i % 3 != 1) s.playCount = (i * 31) % 70000;
        if (i % 4 != 2) s.created = "2024-0" + std::to_string(1 + i % 9) + "-01";
        songs.push_back(std::move(s));
    }
    // What a comparator says about two rows: text by collator keys, numbers
    // by value, backwards when reversed.
    auto compare = [&](const SongSortComparator& c, const SongTableRow& a, const SongTableRow& b) {
        auto numbers = [&](double x, double y) { return x < y ? -1 : x > y ? 1 : 0; };
        int order = 0;
        switch (c.property) {
        case SongSortProperty::title:
            order = collator.sortKey(a.title()).compare(collator.sortKey(b.title()));
            break;
        case SongSortProperty::artist:
            order = collator.sortKey(a.artist()).compare(collator.sortKey(b.artist()));
            break;
        case SongSortProperty::album:
            order = collator.sortKey(a.album()).compare(collator.sortKey(b.album()));
            break;
        case SongSortProperty::created:
            order = collator.sortKey(a.created()).compare(collator.sortKey(b.created()));
            break;
        case SongSortProperty::genre:
            order = collator.sortKey(a.genre()).compare(collator.sortKey(b.genre()));
            break;
        case SongSortProperty::quality:
            order = collator.sortKey(a.quality()).compare(collator.sortKey(b.quality()));
            break;
        case SongSortProperty::played:
            order = collator.sortKey(a.played()).compare(collator.sortKey(b.played()));
            break;
        case SongSortProperty::duration:
            order = numbers(a.duration(), b.duration());
            break;
        case SongSortProperty::rating:
            order = numbers(static_cast<double>(a.rating()), static_cast<double>(b.rating()));
            break;
        case SongSortProperty::liked:
            order = numbers(static_cast<double>(a.liked()), static_cast<double>(b.liked()));
            break;
        case SongSortProperty::disc:
            order = numbers(static_cast<double>(a.disc()), static_cast<double>(b.disc()));
            break;
        case SongSortProperty::track:
            order = numbers(static_cast<double>(a.track()), static_cast<double>(b.track()));
            break;
        case SongSortProperty::playCount:
            order = numbers(static_cast<double>(a.playCount()), static_cast<double>(b.playCount()));
            break;
        }
        return c.reverse ? -order : order;
    };
    auto expected = [&](const PreparedSongRows& rows, const SongSortOrder& order) {
        std::vector<SongTableRow> sorted = rows.rows();
        std::sort(sorted.begin(), sorted.end(), [&](const SongTableRow& a, const SongTableRow& b) {
            for (const SongSortComparator& c : order)
                if (const int o = compare(c, a, b); o != 0) return o < 0;
            return a.index < b.index;
        });
        std::vector<std::uint32_t> indices;
        for (const SongTableRow& row : sorted)
            indices.push_back(row.index);
        return indices;
    };
    auto indices = [](const PreparedSongRows& rows) {
        std::vector<std::uint32_t> out;
        for (const SongTableRow& row : rows.rows())
            out.push_back(row.index);
        return out;
    };
    using P = SongSortProperty;
    std::vector<SongSortOrder> orders;
    for (SongTableSort sort : allSongTableSorts)
        orders.push_back(comparators(sort));
    orders.push_back({{P::track, false}, {P::duration, true}});
    orders.push_back({{P::disc, true}, {P::album, true}, {P::title, false}});
    for (const SongSortOrder& order : orders) {
        const PreparedSongRows rows = PreparedSongRows::make(listOf(songs), order, {});
        EXPECT_EQ(indices(rows), expected(rows, order)) << "order of " << order.size() << " keys";
        // Sorted again from the artist order, ties still go by index.
        PreparedSongRows resorted =
            PreparedSongRows::make(listOf(songs), comparators(SongTableSort::artist), {});
        resorted = PreparedSongRows::make(std::move(resorted), order, {});
        EXPECT_EQ(indices(resorted), indices(rows));
        EXPECT_EQ(resorted.rowsBySongID("s5"), rows.rowsBySongID("s5"));
    }
    // Identifiers listed twice find both rows, in display order.
    const PreparedSongRows byTitle =
        PreparedSongRows::make(listOf(songs), comparators(SongTableSort::title), {});
    const std::vector<std::uint32_t> twice = byTitle.rowsBySongID("s7");
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_LT(twice[0], twice[1]);
    for (std::uint32_t position : twice)
        EXPECT_EQ(byTitle.rows()[position].song->id, "s7");
}

TEST_F(SongRows, SortsAndColumnKeysMapBothWays) {
    using P = SongSortProperty;
    EXPECT_EQ(selectedSort({}), SongTableSort::original);
    EXPECT_EQ(selectedSort({{P::rating, false}}), SongTableSort::rating);
    EXPECT_EQ(selectedSort({{P::disc, false}, {P::title, false}}), SongTableSort::original);
    EXPECT_EQ(selectedSort({{P::album, true}, {P::title, false}}), SongTableSort::album);
    EXPECT_EQ(selectedSort({{P::created, false}}), SongTableSort::added);

    EXPECT_EQ(nativeComparator("added", true), (SongSortComparator{P::created, false}));
    EXPECT_EQ(nativeComparator("rating", true), (SongSortComparator{P::rating, false}));
    EXPECT_EQ(nativeComparator("liked", false), (SongSortComparator{P::liked, true}));
    EXPECT_EQ(nativeComparator("disc", true), (SongSortComparator{P::disc, false}));
    EXPECT_EQ(nativeComparator("track", false), (SongSortComparator{P::track, true}));
    EXPECT_FALSE(nativeComparator("original", true));
    EXPECT_FALSE(nativeComparator("Title", true));

    EXPECT_EQ(nativeKey(P::created), std::optional<std::string_view>("added"));
    EXPECT_EQ(nativeKey(P::artist), std::optional<std::string_view>("artist"));
    EXPECT_EQ(nativeKey(P::disc), std::optional<std::string_view>("disc"));
    for (SongTableSort sort : allSongTableSorts) {
        EXPECT_EQ(songTableSort(rawValue(sort)), sort);
        if (sort != SongTableSort::original) {
            EXPECT_EQ(selectedSort(comparators(sort)), sort) << label(sort);
        }
    }
    EXPECT_FALSE(songTableSort("Title"));
    EXPECT_EQ(label(SongTableSort::added), "Recently Added");
    EXPECT_EQ(label(SongTableSort::playCount), "Most Played");
}

TEST_F(SongRows, AStoppedPreparationEndsAtItsChecks) {
    std::vector<Song> songs;
    for (int i = 0; i < 5000; ++i)
        songs.push_back(song(std::to_string(i), "Song " + std::to_string(i % 97)));
    std::stop_source stop;
    stop.request_stop();
    for (SongTableSort sort : {SongTableSort::original, SongTableSort::title, SongTableSort::rating}) {
        EXPECT_THROW(PreparedSongRows::make(listOf(songs), comparators(sort), stop.get_token()),
                     CancellationError);
        EXPECT_THROW(PreparedSongRows::make(listOf({}), comparators(sort), stop.get_token()),
                     CancellationError);
    }
}

} // namespace
} // namespace sorvalind::test
