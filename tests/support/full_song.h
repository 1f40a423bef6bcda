#pragma once
// A song with every one of its fields present (and its nested artists with
// theirs), as a full server answer gives it, made from a number so that a
// test or benchmark can build many distinct ones. Tests that need a field at
// an edge set it on the copy they get.
// A plain function: any thread.

#include "library/song.h"

namespace sorvalind::test {

// Identifier "song-<n>", title "Title number <n>", album "album-<n>"; the
// other fields vary with n where a real library's would.
Song fullSong(int n);

} // namespace sorvalind::test
