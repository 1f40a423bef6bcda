#pragma once
// The one place that reads the server's answer envelope:
// {"subsonic-response": {"status": "ok" | ..., "error": {"code": N, "message": ...}, <result key>: ...}}.
// Callers never parse it again. Any thread; pure.

#include <nlohmann/json.hpp>

#include <string_view>

namespace sorvalind {

// Accepts a body whose status is exactly "ok". Throws DecodingError when the
// body is no envelope (not JSON, "subsonic-response" or "status" missing, a
// value of the wrong type) and APIError::server(code, "Request failed") for
// any other status, with the error's code or 0 when it has none. The
// server's message is never used.
void checkEnvelope(std::string_view body);

// The value under `key` in "subsonic-response". Throws DecodingError for a
// body that is not JSON, and APIError::response when the top level or
// "subsonic-response" is not an object, the key is missing, or its value is
// null or a scalar.
nlohmann::json envelopeResult(std::string_view body, std::string_view key);

} // namespace sorvalind
