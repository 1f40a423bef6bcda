#include "library/playlist.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kPlaylistFields = std::make_tuple(
    field("id", &Playlist::id), field("name", &Playlist::name), field("songCount", &Playlist::songCount),
    field("duration", &Playlist::duration), field("coverArt", &Playlist::coverArt),
    field("owner", &Playlist::owner), field("changed", &Playlist::changed), field("entry", &Playlist::entry));

} // namespace

Playlist Playlist::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kPlaylistFields);
}

nlohmann::json Playlist::encode() const {
    return json_fields::encodeObject(*this, kPlaylistFields);
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::Playlist>::operator()(const sorvalind::Playlist& playlist) const noexcept {
    return sorvalind::json_fields::hashObject(playlist, sorvalind::kPlaylistFields);
}
