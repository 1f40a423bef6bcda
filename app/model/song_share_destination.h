#pragma once
// Where a shared song's link comes from: a public share on the user's own
// server (any number of songs), or the song's page in the public music
// catalogue, directly or as a Songlink page (one song each). Pure values;
// any thread.

#include "server/apple_music_links.h"

#include <array>
#include <optional>
#include <string_view>

namespace sorvalind {

enum class SongShareDestination { navidrome, appleMusic, songlink };

// Every destination, in the order the share menus list them.
inline constexpr std::array<SongShareDestination, 3> allSongShareDestinations = {
    SongShareDestination::navidrome, SongShareDestination::appleMusic, SongShareDestination::songlink};

// "navidrome", "appleMusic", "songlink".
std::string_view rawValue(SongShareDestination destination) noexcept;
// Exactly the three raw values; anything else is none.
std::optional<SongShareDestination> songShareDestination(std::string_view rawValue) noexcept;
// The menu item's text, also the start of the success message.
std::string_view label(SongShareDestination destination) noexcept;
// What the user reads when the catalogue look-up behind a catalogue or
// Songlink share fails; the server share reports its failures as any other
// server failure.
std::string_view catalogueShareFailure(SongShareDestination destination,
                                       AppleMusicLinkError::Kind kind) noexcept;

} // namespace sorvalind
