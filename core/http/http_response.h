#pragma once
// The answer to an HttpRequest. Plain values; any thread.

#include "http/http_request.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sorvalind {

// Status and header fields of the final answer (interim 1xx answers are
// dropped). A 3xx answer is a final answer: redirects are never followed.
struct HttpResponseHead {
    int status = 0;
    HttpHeaders headers;
    // The announced body length ("Content-Length"), if any.
    std::optional<std::int64_t> expectedContentLength;

    std::optional<std::string> header(std::string_view name) const { return headerValue(headers, name); }
};

struct HttpResponse {
    HttpResponseHead head;
    std::string body;

    int status() const noexcept { return head.status; }
    std::optional<std::string> header(std::string_view name) const { return head.header(name); }
};

} // namespace sorvalind
