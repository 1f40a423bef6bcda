#include "songs/queue_rows.h"

namespace sorvalind {

std::vector<QueueRow> queueRows(const QueueState& queue) {
    std::vector<QueueRow> rows;
    rows.reserve(queue.manual.size() + queue.context.size() + 4);
    if (queue.current) {
        rows.push_back(QueueRow::makeHeading(nowPlayingHeading));
        rows.push_back(QueueRow::makeSong(*queue.current, true));
    }
    if (!queue.manual.empty()) {
        rows.push_back(QueueRow::makeHeading(nextInQueueHeading));
        for (const QueueEntry& entry : queue.manual)
            rows.push_back(QueueRow::makeSong(entry, false));
    }
    if (!queue.context.empty()) {
        rows.push_back(QueueRow::makeHeading(contextHeading));
        for (const QueueEntry& entry : queue.context)
            rows.push_back(QueueRow::makeSong(entry, false));
    }
    return rows;
}

std::vector<QueueEntry> shownQueueEntries(const QueueState& queue) {
    std::vector<QueueEntry> entries;
    entries.reserve(queue.manual.size() + queue.context.size() + 1);
    if (queue.current) entries.push_back(*queue.current);
    entries.insert(entries.end(), queue.manual.begin(), queue.manual.end());
    entries.insert(entries.end(), queue.context.begin(), queue.context.end());
    return entries;
}

} // namespace sorvalind
