#include "sync/edit_request.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

using Edit = LibraryRepository::PendingEdit;

struct Case {
    Edit edit;
    std::optional<EditRequest> request;
};

TEST(EditRequestTest, EachQueuedEditBecomesItsRequest) {
    const std::vector<Case> cases = {
        {{"s1:favorite", "s1", "favorite", 1, LibraryItemKind::song}, EditRequest{"star", {{"id", "s1"}}}},
        {{"album:al1:favorite", "al1", "favorite", 1, LibraryItemKind::album},
         EditRequest{"star", {{"albumId", "al1"}}}},
        {{"artist:ar1:favorite", "ar1", "favorite", 1, LibraryItemKind::artist},
         EditRequest{"star", {{"artistId", "ar1"}}}},
        {{"s1:favorite", "s1", "favorite", 0, LibraryItemKind::song}, EditRequest{"unstar", {{"id", "s1"}}}},
        // Anything but 1 takes the favourite away.
        {{"album:al1:favorite", "al1", "favorite", 2, LibraryItemKind::album},
         EditRequest{"unstar", {{"albumId", "al1"}}}},
        {{"s1:rating", "s1", "rating", 4, LibraryItemKind::song},
         EditRequest{"setRating", {{"id", "s1"}, {"rating", "4"}}}},
        // Ratings go out as "id" whatever was rated, bounded to 0...5.
        {{"artist:ar1:rating", "ar1", "rating", 9, LibraryItemKind::artist},
         EditRequest{"setRating", {{"id", "ar1"}, {"rating", "5"}}}},
        {{"album:al1:rating", "al1", "rating", -3, LibraryItemKind::album},
         EditRequest{"setRating", {{"id", "al1"}, {"rating", "0"}}}},
        {{"s1:playCount", "s1", "playCount", 1, LibraryItemKind::song}, std::nullopt},
        {{"s1:Favorite", "s1", "Favorite", 1, LibraryItemKind::song}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(editRequest(c.edit), c.request) << c.edit.id << " = " << c.edit.value;
}

} // namespace
} // namespace sorvalind
