// The REST operations of APIClient: one per server method, each a thin layer
// over request() and the envelope's result.

#include "server/api_client.h"

#include "errors/api_error.h"
#include "http/network_security.h"
#include "http/url_redaction.h"
#include "library/json_coding.h"
#include "library/json_element.h"
#include "platform/text/text.h"
#include "runtime/decimal_text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <optional>

namespace sorvalind {
namespace {

using json_element::typeName;

template <class T> std::vector<T> decodeList(const JSONElement& json, const char* path) {
    if (!json.is_array())
        throw DecodingError(path, std::string("expected an array, found ") + typeName(json));
    return withinKey(path, [&] {
        return json_element::decodeElements<T>(json,
                                               [](const JSONElement& element) { return T::decode(element); });
    });
}

// An optional member: absent or null gives none; another type than the
// expected one fails the decoding.
std::optional<JSONElement> optionalMember(const JSONElement& object, const char* key) {
    if (!object.is_object())
        throw DecodingError("", std::string("expected an object, found ") + typeName(object));
    std::optional<JSONElement> found = json_element::member(object, key);
    if (found && found->is_null()) return std::nullopt;
    return found;
}

// The value under `key`, decoded with T::decode.
template <class T> T value(const APIEnvelope& envelope, std::string_view key) {
    return T::decode(envelope.result(key));
}

} // namespace

std::vector<APIExtension> APIClient::validate(std::stop_token stop) {
    request("ping", {}, stop);
    std::optional<APIEnvelope> answer;
    try {
        answer.emplace(request("getOpenSubsonicExtensions", {}, stop));
    } catch (const APIError& error) {
        // A plain Subsonic server has no extension list.
        if (error.kind() == APIError::Case::server && (error.code() == 70 || error.code() == 0)) return {};
        throw;
    }
    return decodeList<APIExtension>(answer->result("openSubsonicExtensions"), "openSubsonicExtensions");
}

SearchPage APIClient::page(int artists, int albums, int songs, int count, std::stop_token stop) {
    std::string countText = decimalText(count);
    APIEnvelope answer = request("search3",
                                 {{"query", ""},
                                  {"artistCount", countText},
                                  {"albumCount", countText},
                                  {"songCount", countText},
                                  {"artistOffset", decimalText(artists)},
                                  {"albumOffset", decimalText(albums)},
                                  {"songOffset", decimalText(songs)}},
                                 stop);
    return value<SearchPage>(answer, "searchResult3");
}

std::vector<Playlist> APIClient::playlists(std::stop_token stop) {
    APIEnvelope answer = request("getPlaylists", {}, stop);
    std::optional<JSONElement> items = optionalMember(answer.result("playlists"), "playlist");
    if (!items) return {};
    return decodeList<Playlist>(*items, "playlist");
}

Playlist APIClient::playlist(const std::string& id, std::stop_token stop) {
    return value<Playlist>(request("getPlaylist", {{"id", id}}, stop), "playlist");
}

Song APIClient::song(const std::string& id, std::stop_token stop) {
    Song song = value<Song>(request("getSong", {{"id", id}}, stop), "song");
    if (song.id != id) throw APIError::response();
    return song;
}

ArtistInfo APIClient::artistInfo(const std::string& id, std::stop_token stop) {
    return value<ArtistInfo>(request("getArtistInfo2", {{"id", id}, {"count", "0"}}, stop), "artistInfo2");
}

bool APIClient::sharingEnabled(std::stop_token stop) {
    APIEnvelope answer = request("getUser", {{"username", configuration_.username()}}, stop);
    std::optional<JSONElement> role = optionalMember(answer.result("user"), "shareRole");
    if (!role) return false;
    if (!role->is_bool()) throw DecodingError("shareRole", "expected a Boolean");
    return json_element::boolOf(*role);
}

Url APIClient::createShare(const std::vector<std::string>& songIDs, std::stop_token stop) {
    if (songIDs.empty() ||
        std::any_of(songIDs.begin(), songIDs.end(), [](const auto& id) { return id.empty(); }))
        throw APIError::configuration();
    Parameters parameters;
    for (const auto& id : songIDs)
        parameters.push_back({"id", id});
    APIEnvelope answer = request("createShare", parameters, stop);

    std::optional<JSONElement> list = optionalMember(answer.result("shares"), "share");
    if (!list) throw APIError::response();
    if (!list->is_array()) throw DecodingError("share", "expected an array");
    std::vector<std::string> urls;
    for (JSONElement share : json_element::arrayOf(*list)) {
        std::optional<JSONElement> url = optionalMember(share, "url");
        if (!url || !url->is_string()) throw DecodingError("share.url", "expected a string");
        urls.emplace_back(json_element::stringOf(*url));
    }
    if (urls.empty()) throw APIError::response();

    auto link = Url::tryParse(urls.front());
    if (!link || !link->isHTTP() || !NetworkSecurity::writtenHost(*link) ||
        NetworkSecurity::hasCredentialsOrFragment(*link))
        throw APIError::response();
    for (const QueryItem& item : link->queryItems())
        if (isCredentialQueryName(item.name)) throw APIError::unsafeRequest();
    return *link;
}

void APIClient::scrobble(const std::string& id, bool submission, std::stop_token stop) {
    auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(wallClock_.now().time_since_epoch()).count();
    request("scrobble",
            {{"id", id}, {"submission", submission ? "true" : "false"}, {"time", decimalText(milliseconds)}},
            stop);
}

void APIClient::savePlaylist(const std::optional<std::string>& id, const std::string& name,
                             const std::vector<std::string>& songIDs, std::stop_token stop) {
    Parameters parameters = {{"name", name}};
    if (id) parameters.push_back({"playlistId", *id});
    for (const auto& songID : songIDs)
        parameters.push_back({"songId", songID});
    request("createPlaylist", parameters, stop);
    if (id) renamePlaylist(*id, name, stop);
}

void APIClient::renamePlaylist(const std::string& id, const std::string& name, std::stop_token stop) {
    request("updatePlaylist", {{"playlistId", id}, {"name", name}}, stop);
}

void APIClient::appendToPlaylist(const std::string& id, const std::vector<std::string>& songIDs,
                                 std::stop_token stop) {
    if (songIDs.empty()) return;
    Parameters parameters = {{"playlistId", id}};
    for (const auto& songID : songIDs)
        parameters.push_back({"songIdToAdd", songID});
    request("updatePlaylist", parameters, stop);
}

void APIClient::deletePlaylist(const std::string& id, std::stop_token stop) {
    request("deletePlaylist", {{"id", id}}, stop);
}

void APIClient::annotate(const std::string& id, bool favorite, LibraryItemKind target, std::stop_token stop) {
    const char* name = target == LibraryItemKind::album    ? "albumId"
                       : target == LibraryItemKind::artist ? "artistId"
                                                           : "id";
    request(favorite ? "star" : "unstar", {{name, id}}, stop);
}

void APIClient::rate(const std::string& id, int rating, std::stop_token stop) {
    request("setRating", {{"id", id}, {"rating", decimalText(std::clamp(rating, 0, 5))}}, stop);
}

HttpRequest APIClient::streamRequest(const std::string& id, DownloadQuality quality) const {
    auto bitrate = quality.bitrate();
    return authenticatedRequest(
        "stream",
        {{"id", id}, {"format", bitrate ? "mp3" : "raw"}, {"maxBitRate", decimalText(bitrate.value_or(0))}});
}

HttpRequest APIClient::offsetStreamRequest(const std::string& id, double seconds, DownloadQuality quality,
                                           std::optional<std::int64_t> sourceMP3BitRate) const {
    if (!std::isfinite(seconds) || seconds >= 0x1p63 || seconds < -0x1p63) throw APIError::configuration();
    std::int64_t cap = quality.bitrate().value_or(320);
    std::int64_t maxBitRate = cap;
    if (sourceMP3BitRate && *sourceMP3BitRate > 1 && seconds >= 1 && *sourceMP3BitRate - 1 < cap)
        maxBitRate = *sourceMP3BitRate - 1;
    Parameters parameters = {{"id", id}, {"format", "mp3"}, {"maxBitRate", decimalText(maxBitRate)}};
    if (seconds > 0)
        parameters.push_back({"timeOffset", decimalText(static_cast<std::int64_t>(std::trunc(seconds)))});
    return authenticatedRequest("stream", parameters);
}

HttpRequest APIClient::downloadRequest(const std::string& id, DownloadQuality quality) const {
    if (quality == DownloadQuality::original) return authenticatedRequest("download", {{"id", id}});
    return streamRequest(id, quality);
}

} // namespace sorvalind
