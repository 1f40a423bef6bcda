#include "library/tv_browse_item.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

struct AnnotationCase {
    bool isLiked;
    std::optional<std::int64_t> rating;
    const char* text;
    const char* label;
};

TEST(TVBrowseItem, AnnotationsShowLikeAndCappedRating) {
    const AnnotationCase cases[] = {
        {false, std::nullopt, "", ""},
        {true, std::nullopt, "\u2665", "Liked"},
        {false, 0, "", ""},
        {true, 0, "\u2665", "Liked"},
        {false, -3, "", ""},
        {false, 1, "\u2605 1/5", "Rated 1 out of 5"},
        {false, 4, "\u2605 4/5", "Rated 4 out of 5"},
        {true, 5, "\u2665  \u00b7  \u2605 5/5", "Liked, Rated 5 out of 5"},
        {false, 7, "\u2605 5/5", "Rated 5 out of 5"},
        {true, INT64_MAX, "\u2665  \u00b7  \u2605 5/5", "Liked, Rated 5 out of 5"},
        {false, INT64_MIN, "", ""},
    };
    for (const auto& c : cases) {
        TVBrowseItem item("song:1", "Title", "Sub");
        item.isLiked = c.isLiked;
        item.rating = c.rating;
        EXPECT_EQ(item.annotationText(), c.text) << c.isLiked << " " << c.rating.value_or(-99);
        EXPECT_EQ(item.annotationAccessibilityLabel(), c.label) << c.isLiked << " " << c.rating.value_or(-99);
    }
}

TEST(TVBrowseItem, StartsWithTheNoteSymbolAndNoMarks) {
    const TVBrowseItem item("genre:Jazz", "Jazz", "Browse songs");
    EXPECT_EQ(item.id(), "genre:Jazz");
    EXPECT_EQ(item.title(), "Jazz");
    EXPECT_EQ(item.subtitle(), "Browse songs");
    EXPECT_EQ(item.symbol, "music.note");
    EXPECT_FALSE(item.artwork);
    EXPECT_FALSE(item.isLiked);
    EXPECT_FALSE(item.rating);
}

} // namespace
} // namespace sorvalind
