#include "platform/curl/url.h"

#include "errors/url_error.h"
#include "platform/curl/curl_error.h"
#include "platform/text/text.h"

#include <curl/curl.h>

#include <charconv>

namespace sorvalind {

namespace {

// Path components keep letters, digits and the characters a path segment may
// carry; everything else (also "/", "?" and "#") is escaped.
std::string encodedPathComponent(std::string_view component) {
    static constexpr std::string_view kept = "-._~!$&'()*+,;=:@";
    std::string out;
    for (unsigned char c : component) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     kept.find(static_cast<char>(c)) != std::string_view::npos;
        if (plain)
            out += static_cast<char>(c);
        else
            out += percentEncoded(std::string_view(reinterpret_cast<const char*>(&c), 1));
    }
    return out;
}

} // namespace

void Url::Cleanup::operator()(Curl_URL* handle) const noexcept {
    curl_url_cleanup(handle);
}

Url::Url(std::string text, Handle handle) noexcept : text_(std::move(text)), handle_(std::move(handle)) {}

Url::Handle Url::parsedHandle(const std::string& text) {
    ensureCurlInitialised();
    Handle handle(curl_url());
    if (!handle) throw std::bad_alloc();
    // Without a default scheme, text without one is refused; any scheme is
    // taken so that callers can judge it themselves.
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return nullptr;
    return handle;
}

std::optional<Url> Url::tryParse(std::string_view text) {
    std::string owned(text);
    Handle handle = parsedHandle(owned);
    if (!handle) return std::nullopt;
    return Url(std::move(owned), std::move(handle));
}

Url Url::parse(std::string_view text) {
    std::optional<Url> url = tryParse(text);
    if (!url) throw URLError(URLError::badURL);
    return std::move(*url);
}

// Copies parse the same text again rather than use curl_url_dup(), which
// drops an IPv6 zone in this libcurl; the same text gives the same parts.
Url::Url(const Url& other) : text_(other.text_), handle_(parsedHandle(other.text_)) {
    if (!handle_) throw std::bad_alloc();
}

Url& Url::operator=(const Url& other) {
    if (this != &other) *this = Url(other);
    return *this;
}

Url::Url(Url&&) noexcept = default;
Url& Url::operator=(Url&&) noexcept = default;
Url::~Url() = default;

std::optional<std::string> Url::part(int which) const {
    char* value = nullptr;
    if (curl_url_get(handle_.get(), static_cast<CURLUPart>(which), &value, 0) != CURLUE_OK || !value)
        return std::nullopt;
    std::string out(value);
    curl_free(value);
    return out;
}

std::string Url::scheme() const {
    return text::asciiLower(part(CURLUPART_SCHEME).value_or(""));
}

std::string Url::host() const {
    std::string host = part(CURLUPART_HOST).value_or("");
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        if (std::optional<std::string> zone = part(CURLUPART_ZONEID)) host += "%" + *zone;
    }
    return host;
}

std::optional<std::uint16_t> Url::port() const {
    std::optional<std::string> text = part(CURLUPART_PORT);
    if (!text) return std::nullopt;
    std::uint16_t value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

std::string Url::path() const {
    return part(CURLUPART_PATH).value_or("/");
}
std::optional<std::string> Url::query() const {
    return part(CURLUPART_QUERY);
}
std::optional<std::string> Url::fragment() const {
    return part(CURLUPART_FRAGMENT);
}
std::optional<std::string> Url::user() const {
    return part(CURLUPART_USER);
}
std::optional<std::string> Url::password() const {
    return part(CURLUPART_PASSWORD);
}

std::vector<QueryItem> Url::queryItems() const {
    return parseQueryItems(query().value_or(""));
}

bool Url::isHTTP() const {
    std::string s = scheme();
    return s == "http" || s == "https";
}

bool Url::isFile() const {
    return scheme() == "file";
}

Url Url::withPart(int which, const std::string& value) const {
    Url copy(*this);
    const char* text = value.empty() && which == CURLUPART_QUERY ? nullptr : value.c_str();
    if (curl_url_set(copy.handle_.get(), static_cast<CURLUPart>(which), text, 0) != CURLUE_OK)
        throw URLError(URLError::badURL);
    std::optional<std::string> whole = copy.part(CURLUPART_URL);
    if (!whole) throw URLError(URLError::badURL);
    return Url::parse(*whole);
}

Url Url::appendingPathComponent(std::string_view component) const {
    std::string newPath = path();
    if (newPath.empty() || newPath.back() != '/') newPath += '/';
    newPath += encodedPathComponent(component);
    return withPart(CURLUPART_PATH, newPath);
}

Url Url::withQueryItems(const std::vector<QueryItem>& items) const {
    return withPart(CURLUPART_QUERY, formEncoded(items));
}

std::string Url::descriptionHiding(const std::function<bool(std::string_view name)>& hidden) const {
    std::string out = scheme() + "://";
    std::string rawHost = part(CURLUPART_HOST).value_or("");
    out += rawHost;
    if (std::optional<std::string> explicitPort = part(CURLUPART_PORT)) out += ":" + *explicitPort;
    out += path();
    if (std::optional<std::string> rawQuery = query()) {
        std::string kept;
        std::string_view rest = *rawQuery;
        while (true) {
            std::size_t end = rest.find('&');
            std::string_view pair = rest.substr(0, end);
            std::string_view name = pair.substr(0, pair.find('='));
            if (!hidden(percentDecoded(name))) {
                if (!kept.empty()) kept += '&';
                kept += pair;
            }
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
        if (!kept.empty()) out += "?" + kept;
    }
    return out;
}

} // namespace sorvalind
