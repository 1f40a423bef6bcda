#include "server/artist_info.h"

#include "library/json_coding.h"
#include "server/html_plain_text.h"

namespace sorvalind {

ArtistInfo ArtistInfo::decode(const nlohmann::json& json) {
    if (!json.is_object())
        throw DecodingError("", std::string("expected an object, found ") + json.type_name());
    ArtistInfo info;
    auto found = json.find("biography");
    if (found == json.end() || found->is_null()) return info;
    if (!found->is_string())
        throw DecodingError("biography", std::string("expected a string, found ") + found->type_name());
    info.biography = found->get<std::string>();
    return info;
}

std::optional<std::string> ArtistInfo::biographyText() const {
    if (!biography) return std::nullopt;
    return plainTextOfHTML(*biography);
}

} // namespace sorvalind
