#include "library/item_genre.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

constexpr auto kItemGenreFields = std::make_tuple(json_fields::field("name", &ItemGenre::name));

} // namespace

ItemGenre ItemGenre::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kItemGenreFields);
}

nlohmann::json ItemGenre::encode() const {
    return json_fields::encodeObject(*this, kItemGenreFields);
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::ItemGenre>::operator()(const sorvalind::ItemGenre& genre) const noexcept {
    return sorvalind::json_fields::hashObject(genre, sorvalind::kItemGenreFields);
}
