#include "server/written_url.h"

namespace sorvalind {
namespace {

bool isSchemeCharacter(char c, bool first) noexcept {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

} // namespace

std::optional<WrittenURL> WrittenURL::parse(std::string_view text) {
    WrittenURL url;
    url.text_.assign(text);
    const std::string& s = url.text_;
    std::size_t at = 0;
    while (at < s.size() && isSchemeCharacter(s[at], at == 0))
        ++at;
    if (at == 0 || at >= s.size() || s[at] != ':') return std::nullopt;
    url.scheme_ = {0, at};
    ++at;

    std::size_t end = s.find_first_of("?#", at);
    if (end == std::string::npos) end = s.size();
    if (s.compare(at, 2, "//") == 0) {
        at += 2;
        std::size_t authorityEnd = s.find_first_of("/?#", at);
        if (authorityEnd == std::string::npos) authorityEnd = s.size();
        std::size_t hostStart = at;
        if (std::size_t atSign = s.rfind('@', authorityEnd - 1);
            atSign != std::string::npos && atSign >= at) {
            std::size_t colon = s.find(':', at);
            if (colon != std::string::npos && colon < atSign) {
                url.user_ = Span{at, colon - at};
                url.password_ = Span{colon + 1, atSign - colon - 1};
            } else {
                url.user_ = Span{at, atSign - at};
            }
            hostStart = atSign + 1;
        }
        std::size_t hostEnd = authorityEnd;
        if (hostStart < authorityEnd && s[hostStart] == '[') {
            std::size_t close = s.find(']', hostStart);
            if (close == std::string::npos || close >= authorityEnd) return std::nullopt;
            hostEnd = close + 1;
            if (hostEnd != authorityEnd && s[hostEnd] != ':') return std::nullopt;
        } else if (std::size_t colon = s.find(':', hostStart);
                   colon != std::string::npos && colon < authorityEnd) {
            hostEnd = colon;
        }
        if (hostEnd > hostStart) url.host_ = Span{hostStart, hostEnd - hostStart};
        at = authorityEnd;
    }
    url.path_ = {at, end - at};
    if (end < s.size() && s[end] == '?') {
        std::size_t queryEnd = s.find('#', end);
        if (queryEnd == std::string::npos) queryEnd = s.size();
        url.query_ = Span{end + 1, queryEnd - end - 1};
        end = queryEnd;
    }
    if (end < s.size() && s[end] == '#') url.fragment_ = Span{end + 1, s.size() - end - 1};
    return url;
}

std::optional<std::string_view> WrittenURL::host() const noexcept {
    if (!host_) return std::nullopt;
    return part(*host_);
}

std::optional<std::string_view> WrittenURL::query() const noexcept {
    if (!query_) return std::nullopt;
    return part(*query_);
}

bool WrittenURL::hasScheme(std::string_view lowerScheme) const noexcept {
    std::string_view written = scheme();
    if (written.size() != lowerScheme.size()) return false;
    for (std::size_t i = 0; i < written.size(); ++i) {
        char c = written[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerScheme[i]) return false;
    }
    return true;
}

} // namespace sorvalind
