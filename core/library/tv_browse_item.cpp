#include "library/tv_browse_item.h"

#include "runtime/decimal_text.h"

#include <algorithm>

namespace sorvalind {
namespace {

// The rating as shown: absent below 1, never above 5 (servers and local edits
// may carry larger values than the five stars can show).
std::optional<std::string> shownRating(const std::optional<std::int64_t>& rating) {
    if (!rating || *rating < 1) return std::nullopt;
    return decimalText(std::min<std::int64_t>(*rating, 5));
}

std::string joined(const std::string& first, const std::string& second, const char* separator) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + separator + second;
}

} // namespace

std::string TVBrowseItem::annotationText() const {
    const std::optional<std::string> stars = shownRating(rating);
    return joined(isLiked ? "\u2665" : "", stars ? "\u2605 " + *stars + "/5" : "", "  \u00b7  ");
}

std::string TVBrowseItem::annotationAccessibilityLabel() const {
    const std::optional<std::string> stars = shownRating(rating);
    return joined(isLiked ? "Liked" : "", stars ? "Rated " + *stars + " out of 5" : "", ", ");
}

} // namespace sorvalind
