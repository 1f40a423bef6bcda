#pragma once
// The MPRIS track identifier of a queue entry: a D-Bus object path under
// this application's own prefix. A path element may hold only A-Z, a-z, 0-9
// and "_", so every other byte of the entry identifier (the hyphens of a
// UUID) is written as "_" and two upper-case hex digits, and "_" itself too;
// distinct identifiers therefore give distinct paths.
// Any thread; nothing here throws but memory exhaustion.

#include <QString>

#include <string_view>

namespace sorvalind {

// "/nl/pwelkin/sorvalind/track/" + the encoded identifier ("E" alone for an
// empty one, which never happens for a real entry).
QString mprisTrackPath(std::string_view entryID);

// The path MPRIS reserves for "no track".
inline QString mprisNoTrackPath() {
    return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
}

} // namespace sorvalind
