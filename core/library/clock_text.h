#pragma once
// A duration as the player and the song lists show it. Any thread.

#include <string>

namespace sorvalind {

// Whole minutes and two-digit seconds, with no hours field: 75 gives "1:15",
// 3600 gives "60:00". Fractions are cut (59.9 gives "0:59"); negative values
// count as 0 and values that are not finite give "0:00".
std::string clockText(double seconds);

} // namespace sorvalind
