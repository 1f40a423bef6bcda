#include "library/tv_artist_focus.h"
#include "library/tv_focus.h"
#include "library/tv_focus_memory.h"
#include "library/tv_focus_reporting.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace sorvalind {
namespace {

using Focus = std::optional<TVFocus>;

TVFocus nav(std::string s) {
    return TVFocus::navigation(std::move(s));
}
TVFocus content(std::string s) {
    return TVFocus::content(std::move(s));
}
TVFocus player(std::string s) {
    return TVFocus::player(std::move(s));
}

std::string describe(const Focus& f) {
    if (!f) return "none";
    static const char* const names[] = {"navigation", "content", "player"};
    return std::string(names[static_cast<int>(f->kind())]) + "(" + f->payload() + ")";
}

TEST(TVFocus, EqualityAndHashingTakeKindAndPayloadTogether) {
    EXPECT_EQ(content("a"), content("a"));
    EXPECT_NE(content("a"), content("b"));
    EXPECT_NE(content("play"), player("play"));
    EXPECT_NE(nav("play"), player("play"));
    std::unordered_set<TVFocus> set{nav("x"), content("x"), player("x"), content("x")};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_EQ(set.count(player("x")), 1u);
}

struct DownCase {
    Focus from;
    bool playerAvailable;
    TVFocus expected;
};

TEST(TVFocusMemory, DownLeadsWhereTheTableSays) {
    const TVFocusMemory memory("Songs", "song:7");
    const DownCase cases[] = {
        {nav("Songs"), true, content("song:7")},
        {nav("Albums"), false, content("song:7")},
        {content("playAll"), true, content("shuffleAll")},
        {content("playAll"), false, content("shuffleAll")},
        {content("song:3"), true, player("play")},
        {content("song:3"), false, content("song:7")},
        {content("shuffleAll"), true, player("play")},
        {content("empty"), false, content("song:7")},
        {player("play"), true, player("seek")},
        {player("seek"), true, player("play")},
        {player("other"), true, player("seek")},
        {player("play"), false, content("song:7")},
        {player("seek"), false, content("song:7")},
        {std::nullopt, true, player("play")},
        {std::nullopt, false, content("song:7")},
        // Only the exact row is the stacked action; payloads are case-sensitive.
        {content("PlayAll"), true, player("play")},
        {nav("playAll"), true, content("song:7")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(memory.down(c.from, c.playerAvailable), c.expected)
            << describe(c.from) << " player " << c.playerAvailable;
}

TEST(TVFocusMemory, UpLeadsWhereTheTableSays) {
    const TVFocusMemory memory("Playlists", "playlist:2");
    const std::pair<Focus, TVFocus> cases[] = {
        {content("shuffleAll"), content("playAll")},
        {content("queueAll"), content("playAll")},
        {content("playAll"), nav("Playlists")},
        {content("track:4"), nav("Playlists")},
        {content("playlist:2"), nav("Playlists")},
        {nav("Songs"), nav("Playlists")},
        {std::nullopt, nav("Playlists")},
        {player("play"), content("playlist:2")},
        {player("seek"), content("playlist:2")},
    };
    for (const auto& [from, expected] : cases)
        EXPECT_EQ(memory.up(from), expected) << describe(from);
}

TEST(TVFocusMemory, DownThenUpReturnsThroughTheStackedActions) {
    TVFocusMemory memory("Home", "album:1");
    TVFocus focus = memory.down(content("playAll"), true);
    EXPECT_EQ(focus, content("shuffleAll"));
    EXPECT_EQ(memory.up(focus), content("playAll"));
}

TEST(TVFocusMemory, RemembersOnlyContentRowsAndFollowsTheTab) {
    TVFocusMemory memory("Songs", "song:1");
    memory.remember(player("play"));
    memory.remember(nav("Artists"));
    memory.remember(std::nullopt);
    EXPECT_EQ(memory.contentID(), "song:1");
    memory.remember(content("song:9"));
    EXPECT_EQ(memory.contentID(), "song:9");
    EXPECT_EQ(memory.up(player("seek")), content("song:9"));

    memory.tab = "Artists";
    EXPECT_EQ(memory.up(content("song:9")), nav("Artists"));
}

TEST(TVFocusMemory, ReconcileKeepsAPresentRowAndOtherwiseFallsBack) {
    TVFocusMemory memory("Songs", "song:2");
    memory.reconcile({"sortSongs", "song:1", "song:2"});
    EXPECT_EQ(memory.contentID(), "song:2");

    memory.reconcile({"sortSongs", "song:1"});
    EXPECT_EQ(memory.contentID(), "sortSongs");

    memory.reconcile({});
    EXPECT_EQ(memory.contentID(), "empty");
    EXPECT_EQ(memory.down(nav("Songs"), true), content("empty"));

    memory.reconcile({"empty"});
    EXPECT_EQ(memory.contentID(), "empty");
}

TEST(TVFocusReporting, APendingRowHoldsBackOtherContentUntilItArrives) {
    TVFocusReporting reporting;
    EXPECT_TRUE(reporting.accepts(content("B")));

    reporting.reportContent("A");
    EXPECT_FALSE(reporting.accepts(content("B")));
    EXPECT_FALSE(reporting.accepts(content("B")));
    EXPECT_TRUE(reporting.accepts(content("A")));
    EXPECT_TRUE(reporting.accepts(content("B")));
}

TEST(TVFocusReporting, AnyFocusOutsideTheContentEndsTheWait) {
    for (const Focus& outside : {Focus(nav("A")), Focus(player("play")), Focus()}) {
        TVFocusReporting reporting;
        reporting.reportContent("A");
        EXPECT_TRUE(reporting.accepts(outside)) << describe(outside);
        EXPECT_TRUE(reporting.accepts(content("B"))) << describe(outside);
    }
}

TEST(TVFocusReporting, ALaterRequestReplacesTheEarlierOne) {
    TVFocusReporting reporting;
    reporting.reportContent("A");
    reporting.reportContent("C");
    EXPECT_FALSE(reporting.accepts(content("A")));
    EXPECT_TRUE(reporting.accepts(content("C")));
}

TEST(TVFocusReporting, NativeFocusFollowsThePreferredRowUnlessMovingWithinContent) {
    TVFocusReporting reporting;
    reporting.reportContent("Z"); // must play no part
    EXPECT_FALSE(reporting.acceptsNativeFocus("B", std::string("A"), false));
    EXPECT_TRUE(reporting.acceptsNativeFocus("B", std::string("A"), true));
    EXPECT_TRUE(reporting.acceptsNativeFocus("A", std::string("A"), false));
    EXPECT_TRUE(reporting.acceptsNativeFocus("B", std::nullopt, false));
    EXPECT_FALSE(reporting.acceptsNativeFocus("Z", std::string("A"), false));
    EXPECT_TRUE(reporting.accepts(content("Z")));
}

TEST(TVArtistFocus, ContentIDsPutTheControlsAfterTheAlbums) {
    using V = std::vector<std::string>;
    EXPECT_EQ(TVArtistFocus::contentIDs({"album:A", "album:B"}, true),
              (V{"album:A", "album:B", "artistRating", "artistDetails"}));
    EXPECT_EQ(TVArtistFocus::contentIDs({"album:A"}, false), (V{"album:A", "artistRating"}));
    EXPECT_EQ(TVArtistFocus::contentIDs({}, false), (V{"artistRating"}));
    EXPECT_EQ(TVArtistFocus::controls[0], "artistRating");
    EXPECT_EQ(TVArtistFocus::controls[1], "artistDetails");
}

struct HorizontalCase {
    std::string from;
    std::int64_t offset;
    bool hasAlbums;
    bool hasBiography;
    std::optional<std::string> expected;
};

TEST(TVArtistFocus, HorizontalMovesAlongRatingBiographyAndAlbums) {
    const std::vector<std::string> albums{"A", "B"};
    const std::optional<std::string> none;
    const HorizontalCase cases[] = {
        {"artistRating", 1, true, true, "artistDetails"},
        {"artistRating", 3, true, false, "A"},
        {"artistRating", 1, false, true, "artistDetails"},
        {"artistRating", 1, false, false, none},
        {"artistRating", 0, true, true, "artistRating"},
        {"artistRating", -1, true, true, "artistRating"},
        {"artistRating", -1, false, false, "artistRating"},
        {"artistDetails", 1, true, true, "A"},
        {"artistDetails", 1, false, true, none},
        {"artistDetails", -1, true, true, "artistRating"},
        {"artistDetails", 0, true, true, "artistRating"},
        {"artistDetails", 1, true, false, none},
        {"artistDetails", -1, true, false, none},
        {"A", -1, true, true, "artistRating"},
        {"A", INT64_MIN, true, false, "artistRating"},
        {"A", 1, true, true, none},
        {"A", 0, true, true, none},
        {"B", -1, true, true, none},
        {"A", -1, false, true, none},
        {"unknown", 1, true, true, none},
        {"artistRating", INT64_MAX, true, false, "A"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> ids = c.hasAlbums ? albums : std::vector<std::string>{};
        EXPECT_EQ(TVArtistFocus::horizontalDestination(c.from, c.offset, ids, c.hasBiography), c.expected)
            << c.from << " " << c.offset << " albums " << c.hasAlbums << " bio " << c.hasBiography;
    }
}

} // namespace
} // namespace sorvalind
