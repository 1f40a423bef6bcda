#pragma once
// What a start of the player covers: the current entry and every entry that
// may follow it, by repeat mode, and whether the chain wraps around.
//   off: current, manual part, context; no wrap.
//   all: current, manual part, context, history (oldest first); wraps.
//   one: the current entry alone; wraps (the song follows itself).
// Pure; any thread. Nothing throws but std::bad_alloc.

#include "library/download_quality.h"
#include "library/download_record.h"
#include "library/queue_entry.h"
#include "playback/queue_state.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace sorvalind {

struct PlaybackPlan {
    std::vector<QueueEntry> entries; // empty when nothing is current
    bool repeatContext = false;
};

PlaybackPlan planPlayback(const QueueState& queue);

// Download records by song identifier, each list in the order read.
using DownloadsBySong = std::unordered_map<std::string, std::vector<DownloadRecord>>;
DownloadsBySong groupDownloads(std::vector<DownloadRecord> records);

// The download a song plays from: of the records whose file exists now, the
// first in the wanted quality, else the first in any quality; none without
// one. `fileExists` is asked once per record at most.
std::optional<DownloadRecord> chooseDownload(const std::vector<DownloadRecord>& records,
                                             DownloadQuality wanted,
                                             const std::function<bool(const std::string& path)>& fileExists);

// Whether a regular file (or a link to one) is at `path` now; never throws.
bool downloadedFileExists(const std::string& path) noexcept;

} // namespace sorvalind
