#pragma once
// An absolute URL, parsed once by libcurl's URL parser. The same parsed
// handle is what HttpSession hands to libcurl, so what the network policy
// reads from a Url is exactly what gets requested. The user's own text is
// kept byte for byte as absoluteString(): stored names (keyring account,
// per-server folder) are derived from it.
//
// Value type (copies are deep). Any thread, one thread per object at a time.
// parse() throws URLError(badURL); the accessors never fail apart from
// allocation.

#include "platform/curl/query_item.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Curl_URL;

namespace sorvalind {

class Url {
public:
    // Any scheme is accepted here ("file:" for local files, and "ftp:" so that
    // policy can refuse it by name); HttpSession serves only http and https.
    static Url parse(std::string_view text);
    static std::optional<Url> tryParse(std::string_view text);

    Url(const Url& other);
    Url& operator=(const Url& other);
    Url(Url&&) noexcept;
    Url& operator=(Url&&) noexcept;
    ~Url();

    // The text this URL was parsed from, unchanged.
    const std::string& absoluteString() const noexcept { return text_; }

    // Lower-case scheme, such as "https".
    std::string scheme() const;
    // The host as written; IPv6 literals without brackets and with their
    // zone after "%" ("fe80::1%en0"). Empty when the URL has none.
    std::string host() const;
    // The port written in the URL, if any.
    std::optional<std::uint16_t> port() const;
    // The path as written (still percent-encoded); "/" when empty.
    std::string path() const;
    std::optional<std::string> query() const;
    std::optional<std::string> fragment() const;
    std::optional<std::string> user() const;
    std::optional<std::string> password() const;
    std::vector<QueryItem> queryItems() const;

    bool isHTTP() const;
    bool isFile() const;

    // This URL with one more path component (percent-encoded where needed),
    // keeping its query: ".../navidrome" + "rest" gives ".../navidrome/rest".
    Url appendingPathComponent(std::string_view component) const;
    // This URL with its query replaced by the encoded items (none removes it).
    Url withQueryItems(const std::vector<QueryItem>& items) const;

    // Printable text without user, password or fragment, and without the
    // query items whose percent-decoded name `hidden` accepts. Which names
    // carry secrets is the caller's knowledge, not the URL's.
    std::string descriptionHiding(const std::function<bool(std::string_view name)>& hidden) const;

    // For HttpSession: the parsed handle libcurl reads.
    Curl_URL* curlHandle() const noexcept { return handle_.get(); }

    friend bool operator==(const Url& a, const Url& b) { return a.text_ == b.text_; }

private:
    struct Cleanup {
        void operator()(Curl_URL* handle) const noexcept;
    };
    using Handle = std::unique_ptr<Curl_URL, Cleanup>;

    Url(std::string text, Handle handle) noexcept;
    static Handle parsedHandle(const std::string& text);
    std::optional<std::string> part(int which) const;
    Url withPart(int which, const std::string& value) const;

    std::string text_;
    Handle handle_;
};

} // namespace sorvalind
