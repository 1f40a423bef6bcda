#include "platform/text/text.h"

#include "platform/text/unicode_string.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace sorvalind::text {
namespace {

bool isAscii(std::string_view text) noexcept {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

// ASCII text needs no ICU for its case: each letter of one case moves to the
// other (from 'A' to 'a' lower-cases, from 'a' to 'A' upper-cases).
std::string asciiShifted(std::string_view text, char from, char to) {
    std::string out(text);
    for (char& c : out)
        if (c >= from && c <= from + 25) c = static_cast<char>(c - from + to);
    return out;
}

// The normaliser instances belong to ICU and live as long as the process.
const icu::Normalizer2& normalizer(bool composed) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* instance =
        composed ? icu::Normalizer2::getNFCInstance(status) : icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || instance == nullptr)
        throw std::runtime_error("Unicode normalisation data is unavailable.");
    return *instance;
}

icu::UnicodeString normalized(const icu::UnicodeString& text, bool composed) {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString result = normalizer(composed).normalize(text, status);
    if (U_FAILURE(status)) throw std::runtime_error("Unicode normalisation failed.");
    return result;
}

// Walks the code points of UTF-8 text; a bad sequence yields U+FFFD.
template <typename Visit> void forEachCodePoint(std::string_view text, Visit visit) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::int64_t index = 0;
    while (index < length) {
        const std::int64_t start = index;
        UChar32 c;
        U8_NEXT(bytes, index, length, c);
        if (c < 0) c = 0xFFFD;
        visit(static_cast<char32_t>(c), static_cast<std::size_t>(start), static_cast<std::size_t>(index));
    }
}

bool startsCluster(char32_t c) noexcept {
    const auto cp = static_cast<UChar32>(c);
    return u_hasBinaryProperty(cp, UCHAR_ALPHABETIC) ||
           u_getIntPropertyValue(cp, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

// Creating a break iterator loads rules; one per thread is kept and reused.
icu::BreakIterator& characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator;
    if (!iterator) {
        UErrorCode status = U_ZERO_ERROR;
        iterator.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !iterator) {
            iterator.reset();
            throw std::runtime_error("Unicode character break data is unavailable.");
        }
    }
    return *iterator;
}

} // namespace

std::string nfc(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    return icuutil::toUtf8(normalized(icuutil::fromUtf8(text), true));
}

std::string nfd(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    return icuutil::toUtf8(normalized(icuutil::fromUtf8(text), false));
}

std::strong_ordering compareCanonical(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) return a.compare(b) <=> 0;
    return nfc(a).compare(nfc(b)) <=> 0;
}

std::string foldCase(std::string_view text) {
    if (isAscii(text)) return asciiShifted(text, 'A', 'a');
    return icuutil::toUtf8(icuutil::fromUtf8(text).foldCase(U_FOLD_CASE_DEFAULT));
}

std::string toLower(std::string_view text) {
    if (isAscii(text)) return asciiShifted(text, 'A', 'a');
    return icuutil::toUtf8(icuutil::fromUtf8(text).toLower(icu::Locale::getRoot()));
}

std::string asciiLower(std::string_view text) {
    return asciiShifted(text, 'A', 'a');
}

bool equalsIgnoringASCIICase(std::string_view a, std::string_view b) noexcept {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

std::string toUpper(std::string_view text) {
    if (isAscii(text)) return asciiShifted(text, 'a', 'A');
    return icuutil::toUtf8(icuutil::fromUtf8(text).toUpper(icu::Locale::getRoot()));
}

std::string capitalize(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t wordStart = 0;
    bool inWord = false;
    const auto flushWord = [&](std::size_t end) {
        const std::string_view word = text.substr(wordStart, end - wordStart);
        std::size_t firstLength = 0;
        forEachCodePoint(word, [&](char32_t, std::size_t, std::size_t next) {
            if (firstLength == 0) firstLength = next;
        });
        out += toUpper(word.substr(0, firstLength));
        out += toLower(word.substr(firstLength));
    };
    forEachCodePoint(text, [&](char32_t c, std::size_t start, std::size_t next) {
        const bool space = isWhiteSpace(c);
        if (space && inWord) flushWord(start);
        if (!space && !inWord) wordStart = start;
        if (space) out += text.substr(start, next - start);
        inWord = !space;
    });
    if (inWord) flushWord(text.size());
    return out;
}

std::string foldDiacritics(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    const icu::UnicodeString decomposed = normalized(icuutil::fromUtf8(text), false);
    icu::UnicodeString kept;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) kept.append(c);
        i += U16_LENGTH(c);
    }
    return icuutil::toUtf8(normalized(kept, true));
}

std::string foldCaseAndDiacritics(std::string_view text) {
    return foldDiacritics(foldCase(text));
}

bool isWhiteSpace(char32_t codePoint) noexcept {
    return codePoint <= 0x10FFFF && u_isUWhiteSpace(static_cast<UChar32>(codePoint));
}

std::string_view trim(std::string_view text) noexcept {
    std::size_t begin = text.size(), end = 0;
    forEachCodePoint(text, [&](char32_t c, std::size_t start, std::size_t next) {
        if (isWhiteSpace(c)) return;
        if (begin == text.size()) begin = start;
        end = next;
    });
    if (begin >= end) return text.substr(0, 0);
    return text.substr(begin, end - begin);
}

std::vector<std::string_view> splitWhiteSpace(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    bool inPiece = false;
    forEachCodePoint(text, [&](char32_t c, std::size_t start, std::size_t) {
        const bool space = isWhiteSpace(c);
        if (space && inPiece) pieces.push_back(text.substr(pieceStart, start - pieceStart));
        if (!space && !inPiece) pieceStart = start;
        inPiece = !space;
    });
    if (inPiece) pieces.push_back(text.substr(pieceStart));
    return pieces;
}

std::string collapseWhiteSpace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::string_view piece : splitWhiteSpace(text)) {
        if (!out.empty()) out += ' ';
        out += piece;
    }
    return out;
}

bool isLetter(char32_t codePoint) noexcept {
    return codePoint <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & U_GC_L_MASK) != 0;
}

bool isMark(char32_t codePoint) noexcept {
    return codePoint <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & U_GC_M_MASK) != 0;
}

bool isNumber(char32_t codePoint) noexcept {
    return codePoint <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & U_GC_N_MASK) != 0;
}

bool isAlphanumeric(char32_t codePoint) noexcept {
    return codePoint <= 0x10FFFF &&
           (U_GET_GC_MASK(static_cast<UChar32>(codePoint)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

bool isRegexWordCharacter(char32_t codePoint) noexcept {
    if (codePoint > 0x10FFFF) return false;
    auto c = static_cast<UChar32>(codePoint);
    return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) ||
           (U_GET_GC_MASK(c) & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0 || c == 0x200C ||
           c == 0x200D;
}

bool isGraphemeExtendOrFormat(char32_t codePoint) noexcept {
    if (codePoint > 0x10FFFF) return false;
    auto c = static_cast<UChar32>(codePoint);
    return u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND) || u_charType(c) == U_FORMAT_CHAR;
}

std::vector<std::string> alphanumericRuns(std::string_view text) {
    std::vector<std::string> runs;
    std::string current;
    forEachCodePoint(text, [&](char32_t c, std::size_t, std::size_t) {
        if (isAlphanumeric(c)) {
            appendCodePoint(current, c);
        } else if (!current.empty()) {
            runs.push_back(std::move(current));
            current.clear();
        }
    });
    if (!current.empty()) runs.push_back(std::move(current));
    return runs;
}

std::vector<std::string> letterOrNumberRuns(std::string_view text) {
    std::vector<std::string> runs;
    if (text.empty()) return runs;
    const std::string valid = icuutil::toUtf8(icuutil::fromUtf8(text));
    UErrorCode status = U_ZERO_ERROR;
    icu::LocalUTextPointer utext(
        utext_openUTF8(nullptr, valid.data(), static_cast<int64_t>(valid.size()), &status));
    if (U_FAILURE(status)) throw std::runtime_error("Text could not be opened for segmentation.");
    icu::BreakIterator& breaks = characterBreaks();
    breaks.setText(utext.getAlias(), status);
    if (U_FAILURE(status)) throw std::runtime_error("Text could not be segmented.");

    std::string current;
    int32_t start = breaks.first();
    for (int32_t end = breaks.next(); end != icu::BreakIterator::DONE; start = end, end = breaks.next()) {
        const std::string_view cluster(valid.data() + start, static_cast<std::size_t>(end - start));
        char32_t first = 0;
        bool firstSeen = false;
        forEachCodePoint(cluster, [&](char32_t c, std::size_t, std::size_t) {
            if (!firstSeen) first = c;
            firstSeen = true;
        });
        if (startsCluster(first)) {
            current += cluster;
        } else if (!current.empty()) {
            runs.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) runs.push_back(std::move(current));
    // The iterator keeps a shallow clone of the text; detach it before `valid` goes.
    breaks.setText(icu::UnicodeString());
    return runs;
}

bool isValidUTF8(std::string_view text) noexcept {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::int64_t index = 0;
    while (index < length) {
        UChar32 c;
        U8_NEXT(bytes, index, length, c);
        if (c < 0) return false;
    }
    return true;
}

void appendCodePoint(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string codePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, std::size_t, std::size_t) { out += c; });
    return out;
}

} // namespace sorvalind::text
