#pragma once
// What identifies a library page within one pass: its artist, album and song
// identifiers, "a1,a2|al1|s1" (a kind the page lacks is empty). A server
// that pages wrongly hands the same page out twice, and this is how the run
// notices. Pure; any thread; throws std::bad_alloc only.

#include "library/search_page.h"

#include <string>

namespace sorvalind {

std::string pageSignature(const SearchPage& page);

} // namespace sorvalind
