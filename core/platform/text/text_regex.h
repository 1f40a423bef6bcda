#pragma once
// Regular expressions in ICU's syntax ("(?i)", "(?s)", "\s", "\b", "\1", ...)
// over UTF-8 text, with a bound on the work one call may do so that a hostile
// input cannot make matching run away.
//
// A Regex is immutable after construction; any thread may use one, also
// concurrently (each call makes its own matcher). Construction throws
// RegexError for a malformed pattern; matching throws RegexLimitError when the
// input is longer than allowed or the work or stack bound is reached, and
// RegexError for any other failure of the engine.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind::text {

class RegexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Matching gave up at one of the bounds of RegexLimits.
class RegexLimitError : public RegexError {
public:
    using RegexError::RegexError;
};

struct RegexLimits {
    // Longest input in bytes that a call accepts; 0 accepts any length.
    std::size_t maxInputBytes = 0;
    // Work bound of one call, in the engine's steps of 10,000 backtracking
    // states (deterministic, not wall-clock time); 0 means no bound. One call
    // (findAll, replaceAll, ...) shares one budget across all its matches.
    std::int32_t workLimit = 1000;
    // Bytes of backtracking stack one call may use.
    std::int32_t stackLimitBytes = 8 * 1024 * 1024;
};

// One match: byte offsets into the searched text, and the text of each
// capture group (none for a group that took no part in the match).
struct RegexMatch {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string text;
    std::vector<std::optional<std::string>> groups; // groups[0] is group 1
};

class Regex {
public:
    explicit Regex(std::string_view pattern, RegexLimits limits = {});
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // True when the pattern matches somewhere in the text.
    bool search(std::string_view text) const;

    // True when the pattern matches the whole text.
    bool matchesWhole(std::string_view text) const;

    // Every non-overlapping match, left to right.
    std::vector<RegexMatch> findAll(std::string_view text) const;

    // Every match replaced by `replacement` taken literally ("$1" and "\" have
    // no special meaning).
    std::string replaceAll(std::string_view text, std::string_view replacement) const;

    // Every match replaced by what `replace` returns for it; none leaves that
    // match as it was. Replacement texts are not searched again.
    std::string replaceAll(std::string_view text,
                           const std::function<std::optional<std::string>(const RegexMatch&)>& replace) const;

private:
    struct Compiled;
    std::unique_ptr<const Compiled> compiled_;
    RegexLimits limits_;
};

} // namespace sorvalind::text
