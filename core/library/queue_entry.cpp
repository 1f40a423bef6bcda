#include "library/queue_entry.h"

#include <algorithm>

namespace sorvalind {

std::string decodeUUIDText(const nlohmann::json& json) {
    if (!json.is_string())
        throw DecodingError("", std::string("expected a UUID string, found ") + json.type_name());
    std::string text = json.get<std::string>();
    if (!isUUID(text)) throw DecodingError("", "not a UUID: " + json.dump());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

QueueEntry QueueEntry::decode(const nlohmann::json& json) {
    if (!json.is_object())
        throw DecodingError("", std::string("expected an object, found ") + json.type_name());
    std::string id = withinKey("id", [&] { return decodeUUIDText(requiredMember(json, "id")); });
    Song song = withinKey("song", [&] { return Song::decode(requiredMember(json, "song")); });
    return QueueEntry(std::move(id), std::move(song));
}

nlohmann::json QueueEntry::encode() const {
    nlohmann::json json = nlohmann::json::object();
    json["id"] = id;
    try {
        json["song"] = song.encode();
    } catch (const EncodingError& error) {
        throw error.within("song");
    }
    return json;
}

} // namespace sorvalind
