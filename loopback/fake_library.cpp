#include "loopback/fake_library.h"

namespace sorvalind::loopback {

namespace {

const char* const genres[] = {"Rock", "Jazz", "Electronic", "Folk"};
constexpr const char* created = "2024-01-02T03:04:05Z";

std::string numbered(const char* prefix, int n) {
    return std::string(prefix) + std::to_string(n);
}

nlohmann::json* findById(std::vector<nlohmann::json>& records, const std::string& id) {
    for (auto& record : records)
        if (record["id"] == id) return &record;
    return nullptr;
}

} // namespace

FakeLibrary::FakeLibrary(Shape shape) {
    int albumNumber = 0;
    int songNumber = 0;
    for (int a = 1; a <= shape.artists; ++a) {
        std::string artistId = numbered("ar-", a);
        std::string artistName = numbered("Artist ", a);
        artists.push_back({{"id", artistId},
                           {"name", artistName},
                           {"coverArt", artistId},
                           {"albumCount", shape.albumsPerArtist}});
        for (int b = 1; b <= shape.albumsPerArtist; ++b) {
            ++albumNumber;
            std::string albumId = numbered("al-", albumNumber);
            std::string albumName = numbered("Album ", albumNumber);
            const char* genre = genres[albumNumber % 4];
            int year = 1990 + albumNumber % 30;
            int albumDuration = 0;
            for (int t = 1; t <= shape.songsPerAlbum; ++t) {
                ++songNumber;
                int duration = 120 + songNumber % 180;
                albumDuration += duration;
                songs.push_back({{"id", numbered("so-", songNumber)},
                                 {"parent", albumId},
                                 {"isDir", false},
                                 {"title", numbered("Song ", songNumber)},
                                 {"album", albumName},
                                 {"artist", artistName},
                                 {"track", t},
                                 {"discNumber", 1},
                                 {"year", year},
                                 {"genre", genre},
                                 {"coverArt", albumId},
                                 {"size", duration * 100000},
                                 {"contentType", "audio/flac"},
                                 {"suffix", "flac"},
                                 {"duration", duration},
                                 {"bitRate", 880},
                                 {"path", artistName + "/" + albumName + "/" + std::to_string(t) + ".flac"},
                                 {"created", created},
                                 {"albumId", albumId},
                                 {"artistId", artistId},
                                 {"type", "music"},
                                 {"isVideo", false}});
            }
            albums.push_back({{"id", albumId},
                              {"name", albumName},
                              {"artist", artistName},
                              {"artistId", artistId},
                              {"coverArt", albumId},
                              {"songCount", shape.songsPerAlbum},
                              {"duration", albumDuration},
                              {"year", year},
                              {"genre", genre},
                              {"created", created}});
        }
    }
    for (int p = 1; p <= shape.playlists; ++p) {
        std::vector<std::string> ids;
        for (int i = 0; i < shape.songsPerPlaylist && !songs.empty(); ++i)
            ids.push_back(songs[static_cast<std::size_t>((p - 1 + i * 2)) % songs.size()]["id"]);
        createPlaylist(std::nullopt, numbered("Playlist ", p), ids);
    }
}

nlohmann::json* FakeLibrary::song(const std::string& id) {
    return findById(songs, id);
}
nlohmann::json* FakeLibrary::album(const std::string& id) {
    return findById(albums, id);
}
nlohmann::json* FakeLibrary::artist(const std::string& id) {
    return findById(artists, id);
}

bool FakeLibrary::setStarred(const std::string& id, bool starred) {
    nlohmann::json* record = song(id);
    if (!record) record = album(id);
    if (!record) record = artist(id);
    if (!record) return false;
    if (starred)
        (*record)["starred"] = "2024-05-06T07:08:09Z";
    else
        record->erase("starred");
    return true;
}

bool FakeLibrary::setRating(const std::string& id, int rating) {
    nlohmann::json* record = song(id);
    if (!record) record = album(id);
    if (!record) record = artist(id);
    if (!record) return false;
    if (rating > 0)
        (*record)["userRating"] = rating;
    else
        record->erase("userRating");
    return true;
}

void FakeLibrary::refreshPlaylist(nlohmann::json& playlist) {
    int duration = 0;
    for (const auto& entry : playlist["entry"])
        duration += entry.value("duration", 0);
    playlist["songCount"] = playlist["entry"].size();
    playlist["duration"] = duration;
    playlist["changed"] = created;
}

std::optional<nlohmann::json> FakeLibrary::createPlaylist(const std::optional<std::string>& playlistId,
                                                          const std::string& name,
                                                          const std::vector<std::string>& songIds) {
    nlohmann::json entries = nlohmann::json::array();
    for (const auto& id : songIds) {
        nlohmann::json* record = song(id);
        if (!record) return std::nullopt;
        entries.push_back(*record);
    }
    std::string id;
    if (playlistId) {
        if (!playlists.count(*playlistId)) return std::nullopt;
        id = *playlistId;
    } else {
        id = numbered("pl-", nextPlaylist_++);
        playlists[id] = {{"id", id}, {"public", false}, {"created", created}};
    }
    nlohmann::json& playlist = playlists[id];
    if (!name.empty()) playlist["name"] = name;
    playlist["entry"] = std::move(entries);
    refreshPlaylist(playlist);
    return playlist;
}

} // namespace sorvalind::loopback
