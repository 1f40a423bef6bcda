#include "songs/song_drag.h"

#include <nlohmann/json.hpp>

namespace sorvalind {
namespace {

nlohmann::json toJSON(const SongDrag& drag) {
    return {{"songID", drag.songID}, {"row", drag.row}};
}

std::optional<SongDrag> fromJSON(const nlohmann::json& json) {
    if (!json.is_object()) return std::nullopt;
    const auto songID = json.find("songID");
    const auto row = json.find("row");
    if (songID == json.end() || !songID->is_string()) return std::nullopt;
    if (row == json.end() || !row->is_number_integer()) return std::nullopt;
    // An unsigned value past the signed range is no row.
    if (row->is_number_unsigned() && row->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    return SongDrag{songID->get<std::string>(), row->get<std::int64_t>()};
}

std::optional<nlohmann::json> parse(std::string_view text) {
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    return json;
}

} // namespace

std::string SongDrag::encode() const {
    return toJSON(*this).dump();
}

std::optional<SongDrag> SongDrag::decode(std::string_view text) {
    const auto json = parse(text);
    return json ? fromJSON(*json) : std::nullopt;
}

std::string SongDrag::encodeList(const std::vector<SongDrag>& drags) {
    nlohmann::json array = nlohmann::json::array();
    for (const SongDrag& drag : drags)
        array.push_back(toJSON(drag));
    return array.dump();
}

std::optional<std::vector<SongDrag>> SongDrag::decodeList(std::string_view text) {
    const auto json = parse(text);
    if (!json || !json->is_array()) return std::nullopt;
    std::vector<SongDrag> drags;
    for (const nlohmann::json& element : *json) {
        auto drag = fromJSON(element);
        if (!drag) return std::nullopt;
        drags.push_back(std::move(*drag));
    }
    return drags;
}

} // namespace sorvalind
