#include "library/album.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kAlbumFields = std::make_tuple(
    field("id", &Album::id), field("name", &Album::name), field("artist", &Album::artist),
    field("artistId", &Album::artistId), field("artists", &Album::artists),
    field("albumArtists", &Album::albumArtists), field("coverArt", &Album::coverArt),
    field("songCount", &Album::songCount), field("duration", &Album::duration), field("year", &Album::year),
    field("genre", &Album::genre), field("genres", &Album::genres), field("created", &Album::created),
    field("played", &Album::played), field("playCount", &Album::playCount), field("starred", &Album::starred),
    field("userRating", &Album::userRating), field("isCompilation", &Album::isCompilation),
    field("song", &Album::song));

static_assert(std::tuple_size_v<decltype(kAlbumFields)> == 19);

} // namespace

Album Album::make(std::string id, std::string name, std::optional<std::string> artist) {
    Album album;
    album.id = std::move(id);
    album.name = std::move(name);
    album.artist = std::move(artist);
    return album;
}

Album Album::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kAlbumFields);
}

nlohmann::json Album::encode() const {
    return json_fields::encodeObject(*this, kAlbumFields);
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::Album>::operator()(const sorvalind::Album& album) const noexcept {
    return sorvalind::json_fields::hashObject(album, sorvalind::kAlbumFields);
}
