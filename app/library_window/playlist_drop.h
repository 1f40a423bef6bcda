#pragma once
// What a drop on a sidebar playlist carries: the song table's several-rows
// type first (every dragged row), else the plain text, read as one song
// table payload or, failing that, as a bare song identifier (the search
// page drags those). Text that is not valid UTF-8 carries nothing. Songs are
// found among the current page's songs by identifier, in drop order,
// duplicates kept; identifiers the page does not hold are skipped.
//
// GUI thread only.

#include "library/song.h"

#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace sorvalind {

// Whether the data has a form a playlist drop reads.
bool hasSongDropForm(const QMimeData& data);
std::vector<std::string> droppedSongIDs(const QMimeData& data);
// `find` answers the page's song with that identifier, or null. The songs
// are the page's own, not copies: a drop of many rows copies none.
std::vector<const Song*> droppedSongs(const QMimeData& data,
                                      const std::function<const Song*(const std::string&)>& find);

} // namespace sorvalind
