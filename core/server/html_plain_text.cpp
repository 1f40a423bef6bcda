#include "server/html_plain_text.h"

#include "platform/text/text.h"

#include <array>
#include <cstdint>
#include <utility>

namespace sorvalind {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The code point at `at` and its length in bytes; a malformed sequence reads
// as one byte of U+FFFD.
std::pair<char32_t, std::size_t> codePointAt(std::string_view s, std::size_t at) noexcept {
    auto lead = static_cast<unsigned char>(s[at]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > s.size()) return {0xFFFD, 1};
    char32_t value = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(s[at + k]);
        if ((next & 0xC0) != 0x80) return {0xFFFD, 1};
        value = (value << 6) | (next & 0x3F);
    }
    return {value, length};
}

// Where `name` (lower-case ASCII) ends when read from `at` without regard to
// case, or npos. Case-insensitive matching compares full case foldings, so
// "\u017F" reads as "s" and the ligature "\uFB06" as "st"; a folding that
// runs past the name does not match.
std::size_t nameEnd(std::string_view s, std::size_t at, std::string_view name) {
    std::size_t matched = 0;
    while (matched < name.size()) {
        if (at >= s.size()) return npos;
        char c = s[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != name[matched]) return npos;
            ++matched;
            ++at;
            continue;
        }
        auto [point, length] = codePointAt(s, at);
        (void)point;
        std::string folded = text::foldCase(s.substr(at, length));
        if (name.substr(matched, folded.size()) != folded) return npos;
        matched += folded.size();
        at += length;
    }
    return at;
}

// Skips the white space of a regular expression's \s (White_Space) from `at`.
std::size_t skipSpace(std::string_view s, std::size_t at) noexcept {
    while (at < s.size()) {
        auto [point, length] = codePointAt(s, at);
        if (!text::isWhiteSpace(point)) break;
        at += length;
    }
    return at;
}

// A regular expression's \b at `at`, just after a tag name (whose last
// character is a word character): the text ends there, or the next
// character is no word character and does not extend the one before it.
bool wordEndsAt(std::string_view s, std::size_t at) noexcept {
    if (at >= s.size()) return true;
    char32_t point = codePointAt(s, at).first;
    return !text::isGraphemeExtendOrFormat(point) && !text::isRegexWordCharacter(point);
}

// Finds '>' at or after `from`, remembering where none is left so that a
// fragment full of unclosed '<' stays linear.
class CloseBracketFinder {
public:
    explicit CloseBracketFinder(std::string_view s) : s_(s) {}
    std::size_t find(std::size_t from) {
        if (from >= noneFrom_) return npos;
        std::size_t found = s_.find('>', from);
        if (found == npos) noneFrom_ = from;
        return found;
    }

private:
    std::string_view s_;
    std::size_t noneFrom_ = npos;
};

// Script and style elements with their content: the first closing tag of the
// same name (any case, optional space before '>') ends the element; an
// opening tag without one is left for the tag stripping.
std::string removeScriptAndStyle(std::string_view s) {
    static constexpr std::array<std::string_view, 2> names = {"script", "style"};
    std::array<std::size_t, 2> noCloseFrom = {npos, npos};
    CloseBracketFinder brackets(s);
    auto findClose = [&](std::size_t which, std::size_t from) -> std::pair<std::size_t, std::size_t> {
        if (from >= noCloseFrom[which]) return {npos, npos};
        for (std::size_t at = s.find("</", from); at != npos; at = s.find("</", at + 1)) {
            std::size_t end = nameEnd(s, at + 2, names[which]);
            if (end == npos) continue;
            end = skipSpace(s, end);
            if (end < s.size() && s[end] == '>') return {at, end + 1};
        }
        noCloseFrom[which] = from;
        return {npos, npos};
    };

    std::string out;
    out.reserve(s.size());
    std::size_t copied = 0;
    for (std::size_t i = s.find('<'); i != npos && i < s.size(); i = s.find('<', i + 1)) {
        for (std::size_t which = 0; which < names.size(); ++which) {
            std::size_t afterName = nameEnd(s, i + 1, names[which]);
            if (afterName == npos || !wordEndsAt(s, afterName)) continue;
            std::size_t openEnd = brackets.find(afterName);
            if (openEnd == npos) continue;
            auto [closeStart, closeEnd] = findClose(which, openEnd + 1);
            if (closeStart == npos) continue;
            out.append(s, copied, i - copied);
            copied = closeEnd;
            i = closeEnd - 1;
            break;
        }
    }
    out.append(s, copied, npos);
    return out;
}

// The length of a line-break tag or block end at `i` (which holds '<'), or 0.
std::size_t lineBreakTagLength(std::string_view s, std::size_t i) {
    if (std::size_t afterName = nameEnd(s, i + 1, "br"); afterName != npos) {
        std::size_t at = skipSpace(s, afterName);
        if (at < s.size() && s[at] == '/') ++at;
        if (at < s.size() && s[at] == '>') return at + 1 - i;
    }
    if (i + 1 < s.size() && s[i + 1] == '/') {
        static constexpr std::array<std::string_view, 4> blocks = {"p", "div", "li", "h"};
        for (std::string_view name : blocks) {
            std::size_t at = nameEnd(s, i + 2, name);
            if (at == npos) continue;
            if (name == "h") {
                if (at >= s.size() || s[at] < '1' || s[at] > '6') continue;
                ++at;
            }
            at = skipSpace(s, at);
            if (at < s.size() && s[at] == '>') return at + 1 - i;
        }
    }
    return 0;
}

std::string replaceLineBreakTags(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '<')
            if (std::size_t length = lineBreakTagLength(s, i)) {
                out += '\n';
                i += length - 1;
                continue;
            }
        out += s[i];
    }
    return out;
}

std::string stripTags(std::string_view s) {
    CloseBracketFinder brackets(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '<' && i + 1 < s.size() && s[i + 1] != '>')
            if (std::size_t end = brackets.find(i + 1); end != npos) {
                i = end;
                continue;
            }
        out += s[i];
    }
    return out;
}

bool isHexDigit(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isDecimalDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}
bool isASCIILetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::optional<std::string_view> namedReference(std::string_view name) noexcept {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> table = {{
        {"amp", "&"},
        {"quot", "\""},
        {"apos", "'"},
        {"lt", "<"},
        {"gt", ">"},
        {"nbsp", " "},
        {"ndash", "\u2013"},
        {"mdash", "\u2014"},
        {"lsquo", "\u2018"},
        {"rsquo", "\u2019"},
        {"ldquo", "\u201C"},
        {"rdquo", "\u201D"},
        {"hellip", "\u2026"},
        {"copy", "\u00A9"},
    }};
    for (const auto& [key, value] : table)
        if (key == name) return value;
    return std::nullopt;
}

// The value of the digits, or none when they overflow 32 bits.
std::optional<std::uint32_t> parseDigits(std::string_view digits, unsigned base) noexcept {
    std::uint64_t value = 0;
    for (char c : digits) {
        unsigned digit = isDecimalDigit(c) ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Decodes one reference at `i` (which holds '&'): the replacement text and
// the length of the reference, or none when it is left as written.
std::optional<std::pair<std::string, std::size_t>> decodeReference(std::string_view s, std::size_t i) {
    std::size_t at = i + 1;
    if (at < s.size() && s[at] == '#') {
        ++at;
        bool hex =
            at < s.size() && (s[at] == 'x' || s[at] == 'X') && at + 1 < s.size() && isHexDigit(s[at + 1]);
        if (hex) ++at;
        std::size_t digitsStart = at;
        while (at < s.size() && (hex ? isHexDigit(s[at]) : isDecimalDigit(s[at])))
            ++at;
        if (at == digitsStart || at >= s.size() || s[at] != ';') return std::nullopt;
        auto value = parseDigits(s.substr(digitsStart, at - digitsStart), hex ? 16 : 10);
        if (!value || (*value >= 0xD800 && *value <= 0xDFFF) || *value > 0x10FFFF) return std::nullopt;
        // A NUL would cut the text short wherever it is handed on as a C
        // string; it reads as the replacement character instead.
        std::string replacement;
        text::appendCodePoint(replacement, *value == 0 ? U'\uFFFD' : static_cast<char32_t>(*value));
        return std::pair{std::move(replacement), at + 1 - i};
    }
    std::size_t nameStart = at;
    while (at < s.size() && isASCIILetter(s[at]))
        ++at;
    if (at == nameStart || at >= s.size() || s[at] != ';') return std::nullopt;
    auto replacement = namedReference(s.substr(nameStart, at - nameStart));
    if (!replacement) return std::nullopt;
    return std::pair{std::string(*replacement), at + 1 - i};
}

std::string decodeReferences(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&')
            if (auto decoded = decodeReference(s, i)) {
                out += decoded->first;
                i += decoded->second - 1;
                continue;
            }
        out += s[i];
    }
    return out;
}

// Runs of tabs, spaces and no-break spaces become one space; spaces around
// line breaks go; three or more line breaks become two.
std::string tidyWhiteSpace(std::string_view s) {
    std::string collapsed;
    collapsed.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        std::size_t run = i;
        while (run < s.size()) {
            if (s[run] == ' ' || s[run] == '\t')
                ++run;
            else if (s.compare(run, 2, "\xC2\xA0") == 0)
                run += 2;
            else
                break;
        }
        if (run > i) {
            collapsed += ' ';
            i = run;
        } else {
            collapsed += s[i++];
        }
    }
    std::string lines;
    lines.reserve(collapsed.size());
    for (std::size_t i = 0; i < collapsed.size(); ++i) {
        if (collapsed[i] != '\n') {
            lines += collapsed[i];
            continue;
        }
        while (!lines.empty() && lines.back() == ' ')
            lines.pop_back();
        lines += '\n';
        while (i + 1 < collapsed.size() && collapsed[i + 1] == ' ')
            ++i;
    }
    std::string out;
    out.reserve(lines.size());
    std::size_t breaks = 0;
    for (char c : lines) {
        if (c == '\n') {
            if (++breaks <= 2) out += c;
        } else {
            breaks = 0;
            out += c;
        }
    }
    return out;
}

} // namespace

std::optional<std::string> plainTextOfHTML(std::string_view html) {
    std::string tidy =
        tidyWhiteSpace(decodeReferences(stripTags(replaceLineBreakTags(removeScriptAndStyle(html)))));
    std::string_view trimmed = text::trim(tidy);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

} // namespace sorvalind
