#include "sync/sync_checkpoint.h"

#include "library/reference_date.h"
#include "platform/crypto/digest.h"

#include <nlohmann/json.hpp>

#include <limits>

namespace sorvalind {

namespace {

std::optional<int> offset(const nlohmann::json& object, const char* key) {
    auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) return std::nullopt;
    const auto value = found->get<std::int64_t>();
    if (value < 0 || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

SyncCheckpoint SyncCheckpoint::fresh(WallTime now) {
    return SyncCheckpoint{randomUUID(), 0, 0, 0, now};
}

std::optional<SyncCheckpoint> SyncCheckpoint::decode(std::string_view json) {
    // The parser refuses malformed UTF-8 as well as malformed JSON.
    const nlohmann::json object = nlohmann::json::parse(json, nullptr, false);
    if (object.is_discarded() || !object.is_object()) return std::nullopt;
    auto generation = object.find("generation");
    auto started = object.find("started");
    if (generation == object.end() || !generation->is_string()) return std::nullopt;
    if (started == object.end() || !started->is_number()) return std::nullopt;
    const std::optional<int> artists = offset(object, "artists");
    const std::optional<int> albums = offset(object, "albums");
    const std::optional<int> songs = offset(object, "songs");
    const std::optional<WallTime> time = timeFromReferenceSeconds(started->get<double>());
    if (!artists || !albums || !songs || !time) return std::nullopt;
    return SyncCheckpoint{generation->get<std::string>(), *artists, *albums, *songs, *time};
}

std::string SyncCheckpoint::encode() const {
    nlohmann::ordered_json object;
    object["generation"] = generation;
    object["artists"] = artists;
    object["albums"] = albums;
    object["songs"] = songs;
    object["started"] = referenceSeconds(started);
    return object.dump();
}

} // namespace sorvalind
