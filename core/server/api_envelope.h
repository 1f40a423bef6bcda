#pragma once
// The one place that reads the server's answer envelope:
// {"subsonic-response": {"status": "ok" | ..., "error": {"code": N, "message": ...}, <result key>: ...}}.
// The body is parsed once; the operations read their result from the parsed
// document, never from the text again. A plain value; any thread, one at a
// time.

#include "library/json_coding.h"

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class APIEnvelope {
public:
    // Parses `body` and accepts it when its status is exactly "ok". Throws
    // DecodingError when the body is no envelope (not JSON,
    // "subsonic-response" or "status" missing, a value of the wrong type) and
    // APIError::server(code, "Request failed") for any other status, with
    // the error's code or 0 when it has none. The server's message is never
    // used.
    explicit APIEnvelope(std::string body);

    // The answer's text, as received.
    const std::string& body() const noexcept { return body_; }

    // The checked "subsonic-response" object; valid while this envelope lives.
    JSONElement response() const;

    // The value under `key` in "subsonic-response". Throws
    // APIError::response when the key is missing or its value is null or a
    // scalar.
    JSONElement result(std::string_view key) const;

private:
    std::string body_;
    JSONDocument document_;
};

// The error code of a failed envelope, or none when `body` is no envelope or
// one whose status is "ok". Never throws but std::bad_alloc.
std::optional<int> failedEnvelopeCode(const std::string& body);

} // namespace sorvalind
