#include "server/api_envelope.h"

#include "errors/api_error.h"

#include "library/json_element.h"

#include <cstdint>
#include <string>

namespace sorvalind {
namespace {

using json_element::Type;

// The member `key` of `object`, which must be present and not null.
JSONElement member(const JSONElement& object, std::string_view key, const char* path) {
    std::optional<JSONElement> found = json_element::member(object, key);
    if (!found || found->is_null()) throw DecodingError(path, "missing required key");
    return *found;
}

int errorCode(const JSONElement& error) {
    if (!error.is_object()) throw DecodingError("subsonic-response.error", "expected an object");
    const JSONElement code = member(error, "code", "subsonic-response.error.code");
    std::int64_t value = 0;
    if (code.type() == Type::INT64)
        value = json_element::int64Of(code);
    else if (code.type() == Type::UINT64)
        throw DecodingError("subsonic-response.error.code", "integer out of range");
    else
        throw DecodingError("subsonic-response.error.code", "expected an integer");
    if (value < INT32_MIN || value > INT32_MAX)
        throw DecodingError("subsonic-response.error.code", "integer out of range");
    std::optional<JSONElement> message = json_element::member(error, "message");
    if (message && !message->is_null() && !message->is_string())
        throw DecodingError("subsonic-response.error.message", "expected a string");
    return static_cast<int>(value);
}

} // namespace

APIEnvelope::APIEnvelope(std::string body) : body_(std::move(body)), document_(body_) {
    const JSONElement& document = document_.root();
    if (!document.is_object()) throw DecodingError("", "expected an object");
    const JSONElement response = member(document, "subsonic-response", "subsonic-response");
    if (!response.is_object()) throw DecodingError("subsonic-response", "expected an object");
    const JSONElement status = member(response, "status", "subsonic-response.status");
    if (!status.is_string()) throw DecodingError("subsonic-response.status", "expected a string");
    int code = 0;
    if (std::optional<JSONElement> error = json_element::member(response, "error");
        error && !error->is_null())
        code = errorCode(*error);
    if (json_element::stringOf(status) != "ok") throw APIError::server(code, "Request failed");
}

JSONElement APIEnvelope::response() const {
    // Checked by the constructor.
    return json_element::member(document_.root(), "subsonic-response").value_or(JSONElement());
}

JSONElement APIEnvelope::result(std::string_view key) const {
    std::optional<JSONElement> value = json_element::member(response(), key);
    if (!value || !(value->is_object() || value->is_array())) throw APIError::response();
    return *value;
}

std::optional<int> failedEnvelopeCode(const std::string& body) {
    try {
        APIEnvelope envelope(body);
    } catch (const APIError& error) {
        if (error.kind() == APIError::Case::server) return error.code();
    } catch (const DecodingError&) {
    }
    return std::nullopt;
}

} // namespace sorvalind
