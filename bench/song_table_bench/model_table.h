#pragma once
// The song table over a real application model on a generated store: the
// selection kept across a sort change after Ctrl+A, and a double-click play.

namespace sorvalind::bench {

// Prints the figures for a library of `count` songs.
void modelTableFigures(int count);

} // namespace sorvalind::bench
