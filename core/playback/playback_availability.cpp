#include "playback/playback_availability.h"

#include <algorithm>

namespace sorvalind {

std::vector<Song> PlaybackAvailability::availableSongs(const std::vector<Song>& songs) const {
    std::vector<Song> kept;
    for (const Song& song : songs)
        if (isAvailable(song)) kept.push_back(song);
    return kept;
}

bool canGoNext(const QueueState& queue, const PlaybackAvailability& availability) {
    if (!queue.current) return false;
    auto anyAvailable = [&](const std::vector<QueueEntry>& entries) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const QueueEntry& entry) { return availability.isAvailable(entry.song); });
    };
    if (anyAvailable(queue.manual) || anyAvailable(queue.context)) return true;
    if (queue.repeatMode != RepeatMode::all) return false;
    if (!availability.offline) return true;
    if (availability.isDownloaded(queue.current->song)) return true;
    return std::any_of(queue.history.begin(), queue.history.end(),
                       [&](const QueueEntry& entry) { return availability.isDownloaded(entry.song); });
}

std::optional<PlayRequest> servablePlayRequest(PlayRequest request,
                                               const PlaybackAvailability& availability) {
    if (!availability.offline) return request;
    const auto& songs = request.songs;
    const Song* start = nullptr;
    if (request.startingIndex && *request.startingIndex >= 0 &&
        *request.startingIndex < static_cast<std::int64_t>(songs.size())) {
        start = &songs[static_cast<std::size_t>(*request.startingIndex)];
    } else if (request.startingAt) {
        auto found = std::find_if(songs.begin(), songs.end(),
                                  [&](const Song& song) { return song.id == *request.startingAt; });
        if (found != songs.end()) start = &*found;
    }
    if (start && !availability.isDownloaded(*start)) return std::nullopt;

    PlayRequest kept;
    kept.songs = availability.availableSongs(songs);
    if (kept.songs.empty()) return std::nullopt;
    if (!request.startingIndex) {
        kept.startingAt = request.startingAt;
        return kept;
    }
    const auto before = static_cast<std::size_t>(
        std::clamp<std::int64_t>(*request.startingIndex, 0, static_cast<std::int64_t>(songs.size())));
    kept.startingIndex = std::count_if(songs.begin(), songs.begin() + static_cast<std::ptrdiff_t>(before),
                                       [&](const Song& song) { return availability.isDownloaded(song); });
    if (start) kept.startingAt = start->id;
    return kept;
}

bool skipToAvailable(QueueState& queue, const PlaybackAvailability& availability) {
    if (!availability.offline || !queue.current || availability.isDownloaded(queue.current->song))
        return false;
    const RepeatMode remembered = queue.repeatMode;
    queue.repeatMode = RepeatMode::off;
    const std::size_t steps = queue.manual.size() + queue.context.size() + 1;
    for (std::size_t step = 0; step < steps; ++step) {
        if (queue.current && availability.isDownloaded(queue.current->song)) break;
        queue.advance();
    }
    queue.repeatMode = remembered;
    return true;
}

} // namespace sorvalind
