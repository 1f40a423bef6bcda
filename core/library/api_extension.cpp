#include "library/api_extension.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

constexpr auto kAPIExtensionFields = std::make_tuple(json_fields::field("name", &APIExtension::name),
                                                     json_fields::field("versions", &APIExtension::versions));

} // namespace

APIExtension APIExtension::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kAPIExtensionFields);
}

nlohmann::json APIExtension::encode() const {
    return json_fields::encodeObject(*this, kAPIExtensionFields);
}

} // namespace sorvalind
