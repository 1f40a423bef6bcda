#pragma once
// Plain text from a server's HTML fragment: script and style elements go
// with their content, line-break tags and block ends become line breaks,
// other tags are dropped, character references are decoded once, and white
// space is tidied. A single forward scan per step, so the work stays linear
// in the input however the tags are (un)balanced.
// Any thread; pure; throws only std::bad_alloc.

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

// The readable text, or none when nothing but white space is left.
std::optional<std::string> plainTextOfHTML(std::string_view html);

} // namespace sorvalind
