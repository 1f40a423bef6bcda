#pragma once
// The view model of the song details sheet: the song's known facts in titled
// sections of label/value rows, some linking to an artist, album or genre;
// and the merge of a stored song with a freshly fetched copy.
//
// Pure functions: any thread. They throw std::bad_alloc only.

#include "library/artist.h"
#include "library/library_target.h"
#include "library/song.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sorvalind {

// Where a details row leads.
struct SongDetailDestination {
    using ArtistTarget = sorvalind::ArtistTarget;
    using AlbumTarget = sorvalind::AlbumTarget;
    struct GenreTarget {
        std::string name;
        friend bool operator==(const GenreTarget&, const GenreTarget&) = default;
    };

    std::variant<ArtistTarget, AlbumTarget, GenreTarget> target;

    static SongDetailDestination artist(Artist artist) { return {ArtistTarget{std::move(artist)}}; }
    static SongDetailDestination album(std::string id, std::string name) {
        return {AlbumTarget{std::move(id), std::move(name)}};
    }
    static SongDetailDestination genre(std::string name) { return {GenreTarget{std::move(name)}}; }

    friend bool operator==(const SongDetailDestination&, const SongDetailDestination&) = default;
};

struct SongDetailField {
    std::string label;
    std::string value;
    std::optional<SongDetailDestination> destination;

    friend bool operator==(const SongDetailField&, const SongDetailField&) = default;
};

struct SongDetailSection {
    std::string title;
    std::vector<SongDetailField> fields;

    friend bool operator==(const SongDetailSection&, const SongDetailSection&) = default;
};

// The sections "Song", "Credits" and "Source audio", each only when it has a
// row. The sample rate and file size are written for the given locale
// identifier (such as "de_DE"); the first form uses the user's current locale.
std::vector<SongDetailSection> detailSections(const Song& song);
std::vector<SongDetailSection> detailSections(const Song& song, std::string_view localeId);

// Local edits still queued for the server, whose values a merge must keep.
struct PendingLocalEdits {
    bool favorite = false;
    bool rating = false;
};

// What a stored song itself shows of its queued edits: a queued favourite
// leaves the text "pending" in `starred`. A queued rating or un-favourite
// leaves no mark; only the store's queue knows of those.
PendingLocalEdits pendingLocalEdits(const Song& song) noexcept;

// The stored song `self` with the fetched song's details laid over it: the
// fetched favourite state, rating, play and creation times and video flag
// replace the stored ones, every other field takes the fetched value when
// present. A song of another identifier leaves `self` unchanged. While an
// edit is pending, the stored `starred` (favourite) or `userRating` (rating)
// is kept over the server's, which does not know the edit yet. The first form
// takes the pending edits from pendingLocalEdits(self).
Song mergingDetails(const Song& self, const Song& from);
Song mergingDetails(const Song& self, const Song& from, PendingLocalEdits pending);

} // namespace sorvalind

template <> struct std::hash<sorvalind::SongDetailDestination> {
    std::size_t operator()(const sorvalind::SongDetailDestination& destination) const noexcept;
};
