#include "server/api_envelope.h"

#include "errors/api_error.h"
#include "library/json_coding.h"

#include <cstdint>
#include <string>

namespace sorvalind {
namespace {

const nlohmann::json& member(const nlohmann::json& object, const char* key, const char* path) {
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) throw DecodingError(path, "missing required key");
    return *found;
}

int errorCode(const nlohmann::json& error) {
    if (!error.is_object()) throw DecodingError("subsonic-response.error", "expected an object");
    const auto& code = member(error, "code", "subsonic-response.error.code");
    if (!code.is_number_integer())
        throw DecodingError("subsonic-response.error.code",
                            std::string("expected an integer, found ") + code.type_name());
    std::int64_t value = code.get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX)
        throw DecodingError("subsonic-response.error.code", "integer out of range");
    if (auto message = error.find("message");
        message != error.end() && !message->is_null() && !message->is_string())
        throw DecodingError("subsonic-response.error.message", "expected a string");
    return static_cast<int>(value);
}

} // namespace

void checkEnvelope(std::string_view body) {
    nlohmann::json document = parseJSONText(body);
    if (!document.is_object()) throw DecodingError("", "expected an object");
    const auto& response = member(document, "subsonic-response", "subsonic-response");
    if (!response.is_object()) throw DecodingError("subsonic-response", "expected an object");
    const auto& status = member(response, "status", "subsonic-response.status");
    if (!status.is_string()) throw DecodingError("subsonic-response.status", "expected a string");
    int code = 0;
    if (auto error = response.find("error"); error != response.end() && !error->is_null())
        code = errorCode(*error);
    if (status.get_ref<const std::string&>() != "ok") throw APIError::server(code, "Request failed");
}

nlohmann::json envelopeResult(std::string_view body, std::string_view key) {
    nlohmann::json document = parseJSONText(body);
    if (!document.is_object()) throw APIError::response();
    auto response = document.find("subsonic-response");
    if (response == document.end() || !response->is_object()) throw APIError::response();
    auto value = response->find(key);
    if (value == response->end() || !(value->is_object() || value->is_array())) throw APIError::response();
    return std::move(*value);
}

} // namespace sorvalind
