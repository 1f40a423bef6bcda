#include "server/artist_info.h"

#include "library/json_coding.h"
#include "server/html_plain_text.h"

#include "library/json_element.h"

namespace sorvalind {

ArtistInfo ArtistInfo::decode(const JSONElement& json) {
    if (!json.is_object()) throw DecodingError("", "expected an object");
    ArtistInfo info;
    std::optional<JSONElement> found = json_element::member(json, "biography");
    if (!found || found->is_null()) return info;
    if (!found->is_string()) throw DecodingError("biography", "expected a string");
    info.biography = std::string(json_element::stringOf(*found));
    return info;
}

std::optional<std::string> ArtistInfo::biographyText() const {
    if (!biography) return std::nullopt;
    return plainTextOfHTML(*biography);
}

} // namespace sorvalind
