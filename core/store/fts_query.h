#pragma once
// The full-text query that a search text becomes: every word of the text as
// a quoted prefix term, all of them required. Any thread; pure; throws only
// std::bad_alloc.

#include <string>
#include <string_view>

namespace sorvalind {

// A word is a maximal run of user-perceived characters that are letters or
// numbers; everything else (spaces, punctuation, quotes, symbols, emoji)
// separates words. Each word is written as "word"* and the terms are joined
// with " AND ", so the result is always a valid FTS5 query: no quote or
// operator character can survive into it. A text without words gives the
// empty text, which the queries take as "no text condition".
std::string ftsQuery(std::string_view text);

} // namespace sorvalind
