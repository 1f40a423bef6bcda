#include "server/http_request.h"

#include <algorithm>

namespace sorvalind {

namespace {

bool sameName(std::string_view a, std::string_view b) noexcept {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::optional<std::string> headerValue(const HttpHeaders& headers, std::string_view name) {
    for (const auto& [key, value] : headers)
        if (sameName(key, name)) return value;
    return std::nullopt;
}

void HttpRequest::setFormBody(const std::vector<QueryItem>& items) {
    method = HttpMethod::post;
    body = formEncoded(items);
    std::erase_if(headers, [](const auto& header) { return sameName(header.first, "Content-Type"); });
    headers.emplace_back("Content-Type", "application/x-www-form-urlencoded; charset=utf-8");
}

std::string HttpRequest::redactedDescription() const {
    return (method == HttpMethod::post ? "POST " : "GET ") + url.redactedDescription();
}

} // namespace sorvalind
