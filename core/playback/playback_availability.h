#pragma once
// Which songs the player may use: online every song, offline only the songs
// with a finished download. The rules here decide what the transport
// operations put into the queue and where they may move while offline.
// Plain values and pure functions; any thread. Nothing throws but
// std::bad_alloc.

#include "library/song.h"
#include "playback/queue_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace sorvalind {

struct PlaybackAvailability {
    bool offline = false;
    std::unordered_set<std::string> downloadedSongIDs;

    bool isDownloaded(const Song& song) const { return downloadedSongIDs.count(song.id) > 0; }
    bool isAvailable(const Song& song) const { return !offline || isDownloaded(song); }
    // Only the songs that may play, in their order.
    std::vector<Song> availableSongs(const std::vector<Song>& songs) const;

    bool operator==(const PlaybackAvailability&) const = default;
};

// Whether "next" has somewhere to go: an available upcoming entry, or with
// repeat all the history played again (offline only when the current song or
// a history song is downloaded).
bool canGoNext(const QueueState& queue, const PlaybackAvailability& availability);

// The arguments of QueueState::replace for a play request.
struct PlayRequest {
    std::vector<Song> songs;
    std::optional<std::string> startingAt;
    std::optional<std::int64_t> startingIndex;
};

// Offline, a play request keeps only the downloaded songs, with the start
// row translated into the shorter list; none when the request cannot be
// served (its start song is not downloaded, or nothing is). Online the
// request is returned unchanged.
std::optional<PlayRequest> servablePlayRequest(PlayRequest request, const PlaybackAvailability& availability);

// Offline, advances past a current entry that is not downloaded until one
// is, without wrapping around or repeating; the queue may end with no
// current entry. True when the queue moved.
bool skipToAvailable(QueueState& queue, const PlaybackAvailability& availability);

} // namespace sorvalind
