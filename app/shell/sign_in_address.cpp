#include "shell/sign_in_address.h"

#include "platform/curl/url.h"
#include "http/network_security.h"

#include <optional>

namespace sorvalind {

namespace {

bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::optional<Url> parsed(std::string_view address) {
    const std::string text = SignInAddress::trimmed(address);
    if (text.empty()) return std::nullopt;
    return Url::tryParse(text);
}

} // namespace

std::string SignInAddress::trimmed(std::string_view address) {
    std::size_t begin = 0;
    std::size_t end = address.size();
    while (begin < end && isBlank(address[begin]))
        ++begin;
    while (end > begin && isBlank(address[end - 1]))
        --end;
    return std::string(address.substr(begin, end - begin));
}

bool SignInAddress::isHTTP(std::string_view address) {
    const std::optional<Url> url = parsed(address);
    return url && url->scheme() == "http";
}

bool SignInAddress::isHTTPBlocked(std::string_view address) {
    if (!isHTTP(address)) return false;
    const std::optional<Url> url = parsed(address);
    return url && !NetworkSecurity::allowsHTTP(*url);
}

bool connectEnabled(const SignInFields& fields) {
    if (fields.working) return false;
    if (fields.address.empty() || fields.username.empty() || fields.password.empty()) return false;
    const bool http = SignInAddress::isHTTP(fields.address);
    if (http && !fields.allowHTTP) return false;
    if (http && SignInAddress::isHTTPBlocked(fields.address)) return false;
    return true;
}

} // namespace sorvalind
