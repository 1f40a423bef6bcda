#include "library/queue_entry.h"

#include "library/json_element.h"

#include <algorithm>

namespace sorvalind {

using namespace json_element;

std::string decodeUUIDText(const JSONElement& json) {
    if (json.type() != Type::STRING)
        throw DecodingError("", std::string("expected a UUID string, found ") + typeName(json));
    std::string text(stringOf(json));
    if (!isUUID(text)) throw DecodingError("", "not a UUID: \"" + text + "\"");
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

QueueEntry QueueEntry::decode(const JSONElement& json) {
    if (json.type() != Type::OBJECT)
        throw DecodingError("", std::string("expected an object, found ") + typeName(json));
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
