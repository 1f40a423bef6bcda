#include "library/artist.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kArtistFields =
    std::make_tuple(field("id", &Artist::id), field("name", &Artist::name),
                    field("coverArt", &Artist::coverArt), field("albumCount", &Artist::albumCount),
                    field("starred", &Artist::starred), field("userRating", &Artist::userRating));

} // namespace

Artist Artist::make(std::string id, std::string name) {
    Artist artist;
    artist.id = std::move(id);
    artist.name = std::move(name);
    return artist;
}

Artist Artist::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kArtistFields);
}

nlohmann::json Artist::encode() const {
    return json_fields::encodeObject(*this, kArtistFields);
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::Artist>::operator()(const sorvalind::Artist& artist) const noexcept {
    return sorvalind::json_fields::hashObject(artist, sorvalind::kArtistFields);
}
