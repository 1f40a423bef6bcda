#pragma once
// An absolute URL as the user or the server wrote it: the text is kept
// exactly, and its parts are read from that text (never from a normalised
// form, so "127.1" stays "127.1" and the policy judges what was written).
// A URL parses only when libcurl also accepts it. Immutable value; any
// thread; parse() throws only std::bad_alloc.

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class URL {
public:
    // The URL, or none when the text is not an absolute URL with a scheme.
    static std::optional<URL> parse(std::string_view text);

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

    // The URL with "/" + component added to its path, before any query.
    // Throws std::invalid_argument when the result is no URL.
    URL appendingPathComponent(std::string_view component) const;

    friend bool operator==(const URL& a, const URL& b) noexcept { return a.text_ == b.text_; }

private:
    struct Span {
        std::size_t begin = 0, size = 0;
    };
    URL() = default;
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
