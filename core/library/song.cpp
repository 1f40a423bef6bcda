#include "library/song.h"

#include "library/json_fields.h"
#include "platform/text/text.h"

#include <charconv>

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kSongFields = std::make_tuple(
    field("id", &Song::id), field("title", &Song::title), field("artist", &Song::artist),
    field("album", &Song::album), field("artistId", &Song::artistId), field("albumId", &Song::albumId),
    field("artists", &Song::artists), field("albumArtists", &Song::albumArtists),
    field("contributors", &Song::contributors), field("displayComposer", &Song::displayComposer),
    field("displayAlbumArtist", &Song::displayAlbumArtist), field("genres", &Song::genres),
    field("genre", &Song::genre), field("coverArt", &Song::coverArt), field("duration", &Song::duration),
    field("track", &Song::track), field("discNumber", &Song::discNumber), field("year", &Song::year),
    field("suffix", &Song::suffix), field("contentType", &Song::contentType), field("size", &Song::size),
    field("bitRate", &Song::bitRate), field("samplingRate", &Song::samplingRate),
    field("bitDepth", &Song::bitDepth), field("channelCount", &Song::channelCount),
    field("path", &Song::path), field("comment", &Song::comment), field("bpm", &Song::bpm),
    field("starred", &Song::starred), field("userRating", &Song::userRating),
    field("playCount", &Song::playCount), field("played", &Song::played), field("created", &Song::created),
    field("isVideo", &Song::isVideo));

static_assert(std::tuple_size_v<decltype(kSongFields)> == 34);

// "%.1f kHz" of hertz / 1000, with a point whatever the process locale says.
std::string kilohertzText(std::int64_t hertz) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(hertz) / 1000.0,
                                std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr) + " kHz";
}

} // namespace

Song Song::make(std::string id, std::string title, std::optional<std::string> artist,
                std::optional<std::string> albumId) {
    Song song;
    song.id = std::move(id);
    song.title = std::move(title);
    song.artist = std::move(artist);
    song.albumId = std::move(albumId);
    return song;
}

std::string Song::artistNames() const {
    if (artists && !artists->empty()) {
        std::string names;
        for (const Artist& credited : *artists) {
            if (&credited != &artists->front()) names += ", ";
            names += credited.name;
        }
        return names;
    }
    if (artist) return *artist;
    return "Unknown Artist";
}

std::string Song::quality() const {
    // An empty suffix still counts as a part, so join by presence, not by text.
    std::vector<std::string> parts;
    // Root-locale upper-casing: "flac" is "FLAC" in Turkish too.
    if (suffix) parts.push_back(text::toUpper(*suffix));
    // Servers send a bit depth (and sometimes a sample rate) of 0 for lossy files: a value
    // that is not positive says nothing about the file, so the text leaves it out. The
    // record itself keeps what the server sent.
    if (bitDepth && *bitDepth > 0) parts.push_back(std::to_string(*bitDepth) + "-bit");
    if (samplingRate && *samplingRate > 0) parts.push_back(kilohertzText(*samplingRate));
    std::string joined;
    for (std::size_t index = 0; index < parts.size(); ++index) {
        if (index > 0) joined += " \u00b7 ";
        joined += parts[index];
    }
    return joined;
}

Song Song::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kSongFields);
}

nlohmann::json Song::encode() const {
    return json_fields::encodeObject(*this, kSongFields);
}

std::vector<std::string> songIDs(const std::vector<Song>& songs) {
    std::vector<std::string> ids;
    ids.reserve(songs.size());
    for (const Song& song : songs)
        ids.push_back(song.id);
    return ids;
}

} // namespace sorvalind

std::size_t std::hash<sorvalind::Song>::operator()(const sorvalind::Song& song) const noexcept {
    return sorvalind::json_fields::hashObject(song, sorvalind::kSongFields);
}
