#pragma once
// A playback position as stored text: the shortest decimal text that reads
// back as the same double, always with a decimal point or an exponent
// (42 gives "42.0", 12.5 "12.5", 1e16 "1e+16"). Any thread; pure.

#include <string>

namespace sorvalind {

std::string positionText(double seconds);

} // namespace sorvalind
