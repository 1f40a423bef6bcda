#include "http/http_request.h"

#include "http/url_redaction.h"
#include "platform/text/text.h"

#include <algorithm>

namespace sorvalind {

std::optional<std::string> headerValue(const HttpHeaders& headers, std::string_view name) {
    for (const auto& [key, value] : headers)
        if (text::equalsIgnoringASCIICase(key, name)) return value;
    return std::nullopt;
}

void setHeader(HttpHeaders& headers, const std::string& name, std::string value) {
    std::erase_if(headers,
                  [&](const auto& header) { return text::equalsIgnoringASCIICase(header.first, name); });
    headers.emplace_back(name, std::move(value));
}

void HttpRequest::setFormBody(const std::vector<QueryItem>& items) {
    method = HttpMethod::post;
    body = formEncoded(items);
    std::erase_if(headers, [](const auto& header) {
        return text::equalsIgnoringASCIICase(header.first, "Content-Type");
    });
    headers.emplace_back("Content-Type", "application/x-www-form-urlencoded; charset=utf-8");
}

std::string HttpRequest::redactedDescription() const {
    return (method == HttpMethod::post ? "POST " : "GET ") + sorvalind::redactedDescription(url);
}

} // namespace sorvalind
