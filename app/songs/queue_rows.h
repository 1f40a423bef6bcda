#pragma once
// The rows of the queue panel's table, built from a queue: titled sections
// for what plays now, what the user queued next and the rest of the
// listening context. The history is never shown. Plain values; any thread.

#include "library/queue_entry.h"
#include "playback/queue_state.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct QueueRow {
    // A section title, or else a song row.
    std::optional<std::string> heading;
    std::optional<QueueEntry> entry;
    bool current = false;

    static QueueRow makeHeading(std::string text) { return {std::move(text), std::nullopt, false}; }
    static QueueRow makeSong(QueueEntry entry, bool current) {
        return {std::nullopt, std::move(entry), current};
    }
    bool isHeading() const noexcept { return heading.has_value(); }

    friend bool operator==(const QueueRow&, const QueueRow&) = default;
};

inline constexpr const char* nowPlayingHeading = "Now playing";
inline constexpr const char* nextInQueueHeading = "Next in queue";
inline constexpr const char* contextHeading = "From your listening context";

std::vector<QueueRow> queueRows(const QueueState& queue);
// The entries shown: the current one, then the manual part, then the context.
std::vector<QueueEntry> shownQueueEntries(const QueueState& queue);

} // namespace sorvalind
