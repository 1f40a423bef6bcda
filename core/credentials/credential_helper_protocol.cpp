#include "credentials/credential_helper_protocol.h"

#include <nlohmann/json.hpp>

#include <limits>

namespace sorvalind {
namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// A present, non-null member must be a string; absent or null gives none.
bool optionalString(const Json& object, const char* key, std::optional<std::string>& out) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return true;
    if (!it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}

std::optional<Json> parseObject(std::string_view text) noexcept {
    try {
        Json json = Json::parse(text.begin(), text.end());
        if (!json.is_object()) return std::nullopt;
        return json;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace

std::string encode(const CredentialHelperRequest& request) {
    OrderedJson json;
    json["operation"] = request.operation;
    json["account"] = request.account;
    if (request.password) json["password"] = *request.password;
    json["allowInteraction"] = request.allowInteraction;
    if (request.action) json["action"] = *request.action;
    return json.dump();
}

std::string encode(const CredentialHelperResponse& response) {
    OrderedJson json = OrderedJson::object();
    if (response.value) json["value"] = *response.value;
    if (response.status) json["status"] = *response.status;
    return json.dump();
}

std::optional<CredentialHelperRequest> decodeCredentialHelperRequest(std::string_view text) noexcept {
    try {
        std::optional<Json> json = parseObject(text);
        if (!json) return std::nullopt;
        auto operation = json->find("operation");
        auto account = json->find("account");
        auto allow = json->find("allowInteraction");
        if (operation == json->end() || !operation->is_string() || account == json->end() ||
            !account->is_string() || allow == json->end() || !allow->is_boolean())
            return std::nullopt;
        CredentialHelperRequest request;
        request.operation = operation->get<std::string>();
        request.account = account->get<std::string>();
        request.allowInteraction = allow->get<bool>();
        if (!optionalString(*json, "password", request.password) ||
            !optionalString(*json, "action", request.action))
            return std::nullopt;
        return request;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<CredentialHelperResponse> decodeCredentialHelperResponse(std::string_view text) noexcept {
    try {
        std::optional<Json> json = parseObject(text);
        if (!json) return std::nullopt;
        CredentialHelperResponse response;
        if (!optionalString(*json, "value", response.value)) return std::nullopt;
        auto status = json->find("status");
        if (status != json->end() && !status->is_null()) {
            if (!status->is_number_integer()) return std::nullopt;
            bool negative = status->is_number_unsigned() ? false : status->get<std::int64_t>() < 0;
            if (negative ? status->get<std::int64_t>() < std::numeric_limits<std::int32_t>::min()
                         : status->get<std::uint64_t>() >
                               static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
                return std::nullopt;
            response.status = static_cast<std::int32_t>(status->get<std::int64_t>());
        }
        return response;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace sorvalind
