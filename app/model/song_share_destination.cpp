#include "model/song_share_destination.h"

#include <cstddef>

namespace sorvalind {

namespace {

struct Names {
    std::string_view rawValue;
    std::string_view label;
};

// In the enumeration's order.
constexpr std::array<Names, 3> names = {{
    {"navidrome", "Navidrome Link"},
    {"appleMusic", "Apple Music Link"},
    {"songlink", "Songlink"},
}};

const Names& namesOf(SongShareDestination destination) noexcept {
    return names[static_cast<std::size_t>(destination)];
}

} // namespace

std::string_view rawValue(SongShareDestination destination) noexcept {
    return namesOf(destination).rawValue;
}

std::optional<SongShareDestination> songShareDestination(std::string_view raw) noexcept {
    for (const SongShareDestination destination : allSongShareDestinations)
        if (rawValue(destination) == raw) return destination;
    return std::nullopt;
}

std::string_view label(SongShareDestination destination) noexcept {
    return namesOf(destination).label;
}

std::string_view catalogueShareFailure(SongShareDestination destination,
                                       AppleMusicLinkError::Kind kind) noexcept {
    using Kind = AppleMusicLinkError::Kind;
    if (destination != SongShareDestination::songlink) return AppleMusicLinkError::description(kind);
    switch (kind) {
    case Kind::missingMetadata:
        return "A song title and artist are needed to create a Songlink.";
    case Kind::noMatch:
        return "No matching song was found in Apple's catalog for Songlink.";
    case Kind::unavailable:
        break;
    }
    return "Songlink could not be created because Apple's catalog lookup is unavailable. Please try again "
           "later.";
}

} // namespace sorvalind
