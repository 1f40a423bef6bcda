#pragma once
// Unicode text operations on UTF-8 strings, backed by ICU. This is the one
// place that cases, folds, normalises, trims or classifies text: never use
// std::tolower, <cctype> or <regex> on user or server text.
//
// Any thread. Every function is pure; unless it is noexcept it throws only
// std::bad_alloc, or std::length_error for a text of 2 GiB or more. Input that
// is not valid UTF-8 is read with each bad sequence standing for U+FFFD, and
// every returned string is valid UTF-8 (views returned point into the input).

#include <compare>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind::text {

// Normalisation ---------------------------------------------------------------

// Canonical composition (NFC) and canonical decomposition (NFD).
std::string nfc(std::string_view text);
std::string nfd(std::string_view text);

// Compares the code points of the NFC forms, so canonically equivalent texts
// are equal (UTF-8 byte order is code point order).
std::strong_ordering compareCanonical(std::string_view a, std::string_view b);
inline bool canonicalLess(std::string_view a, std::string_view b) {
    return compareCanonical(a, b) < 0;
}
inline bool canonicallyEqual(std::string_view a, std::string_view b) {
    return compareCanonical(a, b) == 0;
}

// Case ------------------------------------------------------------------------

// Full default case folding, without language-specific (Turkic) rules:
// "Straße" folds to "strasse". Diacritics, widths and punctuation stay.
std::string foldCase(std::string_view text);

// Full default case mappings under the root locale (no language rules).
std::string toLower(std::string_view text);
std::string toUpper(std::string_view text);

// Every word (a run between White_Space characters) with its first character
// upper-cased and the rest lower-cased: "mixer" gives "Mixer", "LEAD vocals"
// gives "Lead Vocals".
std::string capitalize(std::string_view text);

// Protocol names (schemes, header names, hosts) compare in ASCII case only:
// other letters stay as they are, so no Unicode rule can make two different
// names meet.
std::string asciiLower(std::string_view text);
bool equalsIgnoringASCIICase(std::string_view a, std::string_view b) noexcept;

// Diacritics ------------------------------------------------------------------

// Drops accents: NFD, remove every nonspacing mark (Mn), NFC. "Raï" gives "Rai".
std::string foldDiacritics(std::string_view text);

// Case folding followed by diacritic folding: "Beyoncé" gives "beyonce".
std::string foldCaseAndDiacritics(std::string_view text);

// White space -----------------------------------------------------------------

// The Unicode White_Space property (spaces, tabs, line breaks, NBSP, ...).
bool isWhiteSpace(char32_t codePoint) noexcept;

// The text without White_Space characters at both ends (a view into `text`).
std::string_view trim(std::string_view text) noexcept;

// True when the text is empty or only White_Space.
inline bool isBlank(std::string_view text) noexcept {
    return trim(text).empty();
}

// The non-empty pieces between runs of White_Space (views into `text`).
std::vector<std::string_view> splitWhiteSpace(std::string_view text);

// The pieces of splitWhiteSpace joined with one space: "  Hip   Hop " gives
// "Hip Hop".
std::string collapseWhiteSpace(std::string_view text);

// Character classes -----------------------------------------------------------

// By general category: letters (L*), marks (M*), numbers (N*).
bool isLetter(char32_t codePoint) noexcept;
bool isMark(char32_t codePoint) noexcept;
bool isNumber(char32_t codePoint) noexcept;

// Letters, marks and numbers: the usual "alphanumerics" character set.
bool isAlphanumeric(char32_t codePoint) noexcept;

// A word character as ICU regular expressions count one for "\b" and "\w":
// Alphabetic, marks, decimal digits, connector punctuation, ZWNJ and ZWJ.
bool isRegexWordCharacter(char32_t codePoint) noexcept;

// Grapheme_Extend or format (Cf) characters, which ICU's "\b" treats as part
// of the character before them: no word boundary falls just before one.
bool isGraphemeExtendOrFormat(char32_t codePoint) noexcept;

// The maximal runs of alphanumeric code points, in order; every other code
// point separates runs and empty runs are dropped.
std::vector<std::string> alphanumericRuns(std::string_view text);

// The maximal runs of user-perceived characters (grapheme clusters) that are
// letters or numbers, in order. A cluster counts when its first code point is
// Alphabetic or has a numeric value, so "e" + combining acute stays one
// letter; punctuation, symbols, spaces and emoji separate runs.
std::vector<std::string> letterOrNumberRuns(std::string_view text);

// Code points -----------------------------------------------------------------

// True when every byte sequence of the text is well-formed UTF-8 (no stray
// continuation bytes, overlong forms, surrogates or values above U+10FFFF).
// The empty text is valid.
bool isValidUTF8(std::string_view text) noexcept;

// Appends the UTF-8 form of a code point; a surrogate or a value above
// U+10FFFF appends U+FFFD instead.
void appendCodePoint(std::string& out, char32_t codePoint);

// The code points of the text, in order.
std::u32string codePoints(std::string_view text);

} // namespace sorvalind::text
