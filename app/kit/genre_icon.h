#pragma once
// The look of a genre tile: a symbol and a hue for any genre name as a server
// spells it. Names are folded (case, accents, "&" as "and", apostrophes,
// punctuation) so that spellings of one genre meet; a name that contains a
// known genre as whole words takes the longest such genre's look; any other
// name gets a note and a hue of its own that never changes between runs.
//
// Any thread: the catalogue is built once, on first use, and never changed.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct GenreIcon {
    std::string symbol;
    double hue = 0; // fraction of the colour wheel, 0 <= hue < 1

    friend bool operator==(const GenreIcon&, const GenreIcon&) = default;

    // Lower-case words separated by single spaces; may be empty.
    static std::string normalized(std::string_view name);
    static GenreIcon style(std::string_view genre);

    // The catalogue's size and the symbols its families use, so that the
    // bundled drawings can be checked against it.
    static std::size_t catalogSize();
    static std::vector<std::string> familySymbols();
};

} // namespace sorvalind
