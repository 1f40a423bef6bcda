#pragma once
// A library song as the music server's JSON gives it; `id` is its identity
// everywhere (queue, downloads, edits, requests). Equality compares every
// field, so an edited copy (favourite, rating) is a different value with the
// same identity.
// A plain value: any thread. decode() throws DecodingError, encode()
// EncodingError (a non-finite duration).

#include "library/artist.h"
#include "library/contributor.h"
#include "library/item_genre.h"

#include "library/json_coding.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct Song {
    std::string id;
    std::string title;
    std::optional<std::string> artist;
    std::optional<std::string> album;
    std::optional<std::string> artistId;
    std::optional<std::string> albumId;
    std::optional<std::vector<Artist>> artists;
    std::optional<std::vector<Artist>> albumArtists;
    std::optional<std::vector<Contributor>> contributors;
    std::optional<std::string> displayComposer;
    std::optional<std::string> displayAlbumArtist;
    std::optional<std::vector<ItemGenre>> genres;
    std::optional<std::string> genre;
    std::optional<std::string> coverArt;
    // Seconds.
    std::optional<double> duration;
    std::optional<std::int64_t> track;
    std::optional<std::int64_t> discNumber;
    std::optional<std::int64_t> year;
    // The server file's format as a file-name extension ("flac", "mp3").
    std::optional<std::string> suffix;
    std::optional<std::string> contentType;
    std::optional<std::int64_t> size;
    // kbit/s.
    std::optional<std::int64_t> bitRate;
    // Hz.
    std::optional<std::int64_t> samplingRate;
    std::optional<std::int64_t> bitDepth;
    std::optional<std::int64_t> channelCount;
    std::optional<std::string> path;
    std::optional<std::string> comment;
    std::optional<std::int64_t> bpm;
    // Present exactly when the song is a favourite: the server's timestamp, or
    // "pending" while a local favourite edit waits to reach the server.
    std::optional<std::string> starred;
    std::optional<std::int64_t> userRating;
    std::optional<std::int64_t> playCount;
    std::optional<std::string> played;
    std::optional<std::string> created;
    std::optional<bool> isVideo;

    // Identifier, title, artist text and album identifier; the rest absent.
    static Song make(std::string id, std::string title, std::optional<std::string> artist = std::nullopt,
                     std::optional<std::string> albumId = std::nullopt);

    // The artist line: the credited artists' names joined by ", ", else the
    // artist text, else "Unknown Artist".
    std::string artistNames() const;
    // A short description of the server's file, such as
    // "FLAC · 16-bit · 44.1 kHz"; empty when nothing is known.
    std::string quality() const;

    static Song decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const Song&, const Song&) = default;
};

// The songs' identifiers, in order, duplicates kept: what the server's
// playlist and share calls take.
std::vector<std::string> songIDs(const std::vector<Song>& songs);

} // namespace sorvalind

template <> struct std::hash<sorvalind::Song> {
    std::size_t operator()(const sorvalind::Song& song) const noexcept;
};
