#pragma once
// The generated library behind FakeSubsonicServer: deterministic artists,
// albums, songs and playlists with stable identifiers ("ar-1", "al-1",
// "so-1", "pl-1"; numbering starts at 1), as server JSON, plus the state the
// edit methods change (stars, ratings, playlists, scrobbles, shares).
// Not thread-safe: the server guards it with its lock.

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::loopback {

class FakeLibrary {
public:
    struct Shape {
        int artists = 3;
        int albumsPerArtist = 2;
        int songsPerAlbum = 4;
        int playlists = 2;
        int songsPerPlaylist = 3;
    };

    struct Scrobble {
        std::string id;
        bool submission;
        std::optional<std::string> time;
    };

    explicit FakeLibrary(Shape shape);

    // Generated records in library order (artists by number, then their albums, then tracks).
    std::vector<nlohmann::json> artists;
    std::vector<nlohmann::json> albums;
    std::vector<nlohmann::json> songs;
    // Playlist id → playlist JSON with its "entry" songs.
    std::map<std::string, nlohmann::json> playlists;
    std::vector<Scrobble> scrobbles;
    std::vector<std::vector<std::string>> shares;

    nlohmann::json* song(const std::string& id);
    nlohmann::json* album(const std::string& id);
    nlohmann::json* artist(const std::string& id);

    // Sets or clears "starred" on the record; false when no such record.
    bool setStarred(const std::string& id, bool starred);
    // Sets "userRating" (0 removes it); false when no such song, album or artist.
    bool setRating(const std::string& id, int rating);

    // Creates a playlist, or replaces the songs of an existing one; the
    // playlist, or nothing when `playlistId` or a song is unknown.
    std::optional<nlohmann::json> createPlaylist(const std::optional<std::string>& playlistId,
                                                 const std::string& name,
                                                 const std::vector<std::string>& songIds);
    // Recomputes songCount and duration after "entry" changed.
    void refreshPlaylist(nlohmann::json& playlist);

private:
    int nextPlaylist_ = 1;
};

} // namespace sorvalind::loopback
