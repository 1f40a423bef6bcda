#include "library/tv_artist_focus.h"

namespace sorvalind::TVArtistFocus {

std::vector<std::string> contentIDs(const std::vector<std::string>& albumIDs, bool hasBiography) {
    std::vector<std::string> ids = albumIDs;
    ids.emplace_back(rating);
    if (hasBiography) ids.emplace_back(details);
    return ids;
}

std::optional<std::string> horizontalDestination(std::string_view from, std::int64_t offset,
                                                 const std::vector<std::string>& albumIDs,
                                                 bool hasBiography) {
    std::optional<std::string> firstAlbum;
    if (!albumIDs.empty()) firstAlbum = albumIDs.front();

    if (firstAlbum && from == *firstAlbum && offset < 0) return std::string(rating);
    if (from == rating) {
        if (offset <= 0) return std::string(rating);
        if (hasBiography) return std::string(details);
        return firstAlbum;
    }
    if (from == details && hasBiography) {
        if (offset <= 0) return std::string(rating);
        return firstAlbum;
    }
    return std::nullopt;
}

} // namespace sorvalind::TVArtistFocus
