#pragma once
// The listening recap: sums and rankings over the play counts the server
// reports with every song. The store folds its songs into an Accumulator one
// at a time and fills in the library counts and the synchronisation state.
//
// Plain values: any thread (an Accumulator belongs to the one fold that uses
// it). Nothing here throws except std::bad_alloc. Sums stop at the largest
// 64-bit value instead of wrapping, whatever counts the server sends.

#include "library/artist.h"
#include "library/library_target.h"
#include "library/song.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace sorvalind {

struct ListeningStatistics {
    // What a ranked row opens.
    struct Action {
        using ArtistTarget = sorvalind::ArtistTarget;
        using AlbumTarget = sorvalind::AlbumTarget;
        struct SongTarget {
            Song song;
            friend bool operator==(const SongTarget&, const SongTarget&) = default;
        };
        // Search the library for the text: the item has no identifier.
        struct SearchTarget {
            std::string text;
            friend bool operator==(const SearchTarget&, const SearchTarget&) = default;
        };

        std::variant<ArtistTarget, AlbumTarget, SongTarget, SearchTarget> target;

        static Action artist(Artist artist) { return {ArtistTarget{std::move(artist)}}; }
        static Action album(std::string id, std::string name) {
            return {AlbumTarget{std::move(id), std::move(name)}};
        }
        static Action song(Song song) { return {SongTarget{std::move(song)}}; }
        static Action search(std::string text) { return {SearchTarget{std::move(text)}}; }

        friend bool operator==(const Action&, const Action&) = default;
    };

    // One ranked artist, album or song row, identified by `id`.
    struct Ranking {
        std::string id;
        std::string name;
        std::optional<std::string> subtitle;
        std::optional<std::string> coverArt;
        std::int64_t plays = 0;
        Action action;

        Ranking() = default;
        Ranking(std::string id, std::string name, std::optional<std::string> subtitle,
                std::optional<std::string> coverArt, std::int64_t plays, Action action);
        // The row of one song: its title, artist line and cover art, its play
        // count (0 when absent or negative), opening the song.
        explicit Ranking(const Song& song);
    };

    class Accumulator;

    std::int64_t librarySongs = 0;
    std::int64_t libraryAlbums = 0;
    std::int64_t libraryArtists = 0;
    std::int64_t songsWithPlayCounts = 0;
    std::int64_t totalPlays = 0;
    std::int64_t uniqueSongs = 0;
    double estimatedSeconds = 0;
    std::int64_t playsWithDuration = 0;
    std::vector<Song> topSongs;
    std::vector<Ranking> topArtists;
    std::vector<Ranking> topAlbums;
    std::optional<std::string> lastSync;
    bool isPartial = false;
};

class ListeningStatistics::Accumulator {
public:
    static constexpr std::size_t limit = 10;

    // Folds one song in; a video counts for nothing.
    void add(const Song& song);

    // The figures so far with the ten best artists and albums filled in.
    ListeningStatistics finish() const;

    const ListeningStatistics& result() const noexcept { return result_; }
    const std::unordered_map<std::string, Ranking>& artists() const noexcept { return artists_; }
    const std::unordered_map<std::string, Ranking>& albums() const noexcept { return albums_; }

private:
    void addArtists(const Song& song, std::int64_t plays);
    void addAlbum(const Song& song, std::int64_t plays);

    ListeningStatistics result_;
    std::unordered_map<std::string, Ranking> artists_;
    std::unordered_map<std::string, Ranking> albums_;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::ListeningStatistics::Action> {
    std::size_t operator()(const sorvalind::ListeningStatistics::Action& action) const noexcept;
};
