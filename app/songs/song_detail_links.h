#pragma once
// Where a value of the song details links to: the destination the domain
// model gave the field, else, for the artist fields ("Artist", "Album
// artist", "Composer"), the first loaded artist of that name in any letter
// case (none when that artist has no identifier), else nothing. Any thread.

#include "library/artist.h"
#include "library/song_details.h"

#include <optional>
#include <vector>

namespace sorvalind {

std::optional<SongDetailDestination> resolvedDestination(const SongDetailField& field,
                                                         const std::vector<Artist>& artists);

} // namespace sorvalind
