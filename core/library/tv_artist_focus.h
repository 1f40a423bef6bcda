#pragma once
// The focusable controls of an artist page on the remote-control front end:
// one row holding the rating control, the biography control (when there is a
// biography) and the artist's albums.
// Pure functions; any thread. Nothing here throws except on allocation failure.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind::TVArtistFocus {

inline constexpr std::string_view rating = "artistRating";
inline constexpr std::string_view details = "artistDetails";
inline constexpr std::array<std::string_view, 2> controls = {rating, details};

// The album rows followed by the rating control and, with a biography, the
// biography control.
std::vector<std::string> contentIDs(const std::vector<std::string>& albumIDs, bool hasBiography);

// Where a left (negative) or right (positive) move from the given control or
// first album leads; none where the page has nothing to offer in that direction
// and the platform's own focus engine should decide.
std::optional<std::string> horizontalDestination(std::string_view from, std::int64_t offset,
                                                 const std::vector<std::string>& albumIDs, bool hasBiography);

} // namespace sorvalind::TVArtistFocus
