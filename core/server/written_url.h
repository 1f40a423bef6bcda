#pragma once
// The parts of a URL's text exactly as written. The network policy judges
// these rather than a parser's normalised form, so that "127.1" or
// "2130706433" are not taken for the dotted addresses a parser would make of
// them, and "https:///x" has no host. Immutable value; any thread; parse()
// throws only std::bad_alloc.

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class WrittenURL {
public:
    // The parts, or none when the text does not start with a scheme.
    static std::optional<WrittenURL> parse(std::string_view text);

    const std::string& absoluteString() const noexcept { return text_; }
    // The scheme as written (compare it lower-cased).
    std::string_view scheme() const noexcept { return part(scheme_); }
    // The host as written, IPv6 literals with their brackets and zone; none
    // when the URL has no authority or an empty host.
    std::optional<std::string_view> host() const noexcept;
    bool hasUser() const noexcept { return user_.has_value(); }
    bool hasPassword() const noexcept { return password_.has_value(); }
    std::optional<std::string_view> query() const noexcept;
    bool hasFragment() const noexcept { return fragment_.has_value(); }
    std::string_view path() const noexcept { return part(path_); }

    // True when the lower-cased scheme is `lowerScheme`.
    bool hasScheme(std::string_view lowerScheme) const noexcept;

private:
    struct Span {
        std::size_t begin = 0, size = 0;
    };
    WrittenURL() = default;
    std::string_view part(Span span) const noexcept {
        return std::string_view(text_).substr(span.begin, span.size);
    }
    std::string_view part(const std::optional<Span>& span) const noexcept { return span ? part(*span) : ""; }

    std::string text_;
    Span scheme_;
    std::optional<Span> user_, password_, host_, query_, fragment_;
    Span path_;
};

} // namespace sorvalind
