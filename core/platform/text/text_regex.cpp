#include "platform/text/text_regex.h"

#include "platform/text/unicode_string.h"

#include <unicode/regex.h>
#include <unicode/utext.h>

namespace sorvalind::text {
namespace {

[[noreturn]] void throwMatchFailure(UErrorCode status) {
    if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW)
        throw RegexLimitError("The text is too complex to search.");
    throw RegexError("The text could not be searched.");
}

// One matcher over one UTF-8 text, so that match positions are byte offsets.
// The text must outlive the session.
class MatchSession {
public:
    MatchSession(const icu::RegexPattern& pattern, const RegexLimits& limits, std::string_view text)
        : text_(text) {
        if (limits.maxInputBytes != 0 && text.size() > limits.maxInputBytes)
            throw RegexLimitError("The text is too long to search.");
        UErrorCode status = U_ZERO_ERROR;
        utext_.adoptInstead(utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
        if (U_FAILURE(status)) throwMatchFailure(status);
        matcher_.reset(pattern.matcher(status));
        if (U_FAILURE(status) || !matcher_) throwMatchFailure(status);
        matcher_->reset(utext_.getAlias());
        matcher_->setTimeLimit(limits.workLimit, status);
        matcher_->setStackLimit(limits.stackLimitBytes, status);
        if (U_FAILURE(status)) throwMatchFailure(status);
    }

    bool next() {
        UErrorCode status = U_ZERO_ERROR;
        const bool found = matcher_->find(status);
        if (U_FAILURE(status)) throwMatchFailure(status);
        return found;
    }

    bool matchesWhole() {
        UErrorCode status = U_ZERO_ERROR;
        const bool found = matcher_->matches(status);
        if (U_FAILURE(status)) throwMatchFailure(status);
        return found;
    }

    RegexMatch current() const {
        UErrorCode status = U_ZERO_ERROR;
        RegexMatch match;
        match.begin = static_cast<std::size_t>(matcher_->start64(status));
        match.end = static_cast<std::size_t>(matcher_->end64(status));
        match.text = std::string(text_.substr(match.begin, match.end - match.begin));
        const int32_t groups = matcher_->groupCount();
        for (int32_t g = 1; g <= groups; ++g) {
            const int64_t begin = matcher_->start64(g, status);
            const int64_t end = matcher_->end64(g, status);
            if (begin < 0)
                match.groups.emplace_back();
            else
                match.groups.emplace_back(std::string(
                    text_.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin))));
        }
        if (U_FAILURE(status)) throwMatchFailure(status);
        return match;
    }

private:
    std::string_view text_;
    icu::LocalUTextPointer utext_;
    std::unique_ptr<icu::RegexMatcher> matcher_;
};

} // namespace

struct Regex::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
};

Regex::Regex(std::string_view pattern, RegexLimits limits) : limits_(limits) {
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    auto compiled = std::make_unique<Compiled>();
    compiled->pattern.reset(icu::RegexPattern::compile(icuutil::fromUtf8(pattern), 0, where, status));
    if (U_FAILURE(status) || !compiled->pattern) throw RegexError("The search pattern is not valid.");
    compiled_ = std::move(compiled);
}

Regex::~Regex() = default;
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;

bool Regex::search(std::string_view text) const {
    MatchSession session(*compiled_->pattern, limits_, text);
    return session.next();
}

bool Regex::matchesWhole(std::string_view text) const {
    MatchSession session(*compiled_->pattern, limits_, text);
    return session.matchesWhole();
}

std::vector<RegexMatch> Regex::findAll(std::string_view text) const {
    MatchSession session(*compiled_->pattern, limits_, text);
    std::vector<RegexMatch> matches;
    while (session.next())
        matches.push_back(session.current());
    return matches;
}

std::string Regex::replaceAll(std::string_view text, std::string_view replacement) const {
    return replaceAll(text, [&](const RegexMatch&) { return std::optional<std::string>(replacement); });
}

std::string
Regex::replaceAll(std::string_view text,
                  const std::function<std::optional<std::string>(const RegexMatch&)>& replace) const {
    MatchSession session(*compiled_->pattern, limits_, text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    while (session.next()) {
        const RegexMatch match = session.current();
        std::optional<std::string> replacement = replace(match);
        if (!replacement) continue;
        out.append(text.substr(copied, match.begin - copied));
        out += *replacement;
        copied = match.end;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace sorvalind::text
