#pragma once
// One entry of a song list as the table shows it: the entry's position in the
// list it was given (its identity, together with the song's identifier, even
// when a playlist holds a song twice) and the song it points at. The row
// never owns its song: it points into the list or into the edited songs its
// PreparedSongRows keeps. It holds no text of its own, so a hundred thousand
// rows stay small and are made without one allocation each; what a cell
// shows is worked out when it is painted.
//
// A plain value; any thread that owns the rows it belongs to.

#include "library/song.h"

#include <cstdint>
#include <string>

namespace sorvalind {

struct SongTableRow {
    const Song* song = nullptr;
    std::uint32_t index = 0;

    SongTableRow() = default;
    SongTableRow(std::uint32_t index, const Song& song) : song(&song), index(index) {}

    // Re-points the row at an edited song.
    void setSong(const Song& edited) noexcept { song = &edited; }

    // The decimal index, a colon and the song's identifier.
    std::string id() const { return std::to_string(index) + ":" + song->id; }

    // The sort keys' values.
    const std::string& title() const noexcept { return song->title; }
    std::string artist() const { return song->artistNames(); }
    std::string album() const { return song->album.value_or(""); }
    std::string genre() const;
    double duration() const noexcept { return song->duration.value_or(0); }
    std::string quality() const { return song->suffix.value_or(""); }
    std::int64_t rating() const noexcept { return song->userRating.value_or(0); }
    std::int64_t liked() const noexcept { return song->starred ? 1 : 0; }
    std::int64_t disc() const noexcept { return song->discNumber.value_or(1); }
    std::int64_t track() const noexcept { return song->track.value_or(0); }
    std::string created() const { return song->created.value_or(""); }
    std::string played() const { return song->played.value_or(""); }
    std::int64_t playCount() const noexcept { return song->playCount.value_or(0); }
};

} // namespace sorvalind
