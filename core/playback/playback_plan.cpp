#include "playback/playback_plan.h"

#include <filesystem>
#include <system_error>

namespace sorvalind {

PlaybackPlan planPlayback(const QueueState& queue) {
    PlaybackPlan plan;
    if (!queue.current) return plan;
    plan.entries.push_back(*queue.current);
    if (queue.repeatMode == RepeatMode::one) {
        plan.repeatContext = true;
        return plan;
    }
    plan.entries.insert(plan.entries.end(), queue.manual.begin(), queue.manual.end());
    plan.entries.insert(plan.entries.end(), queue.context.begin(), queue.context.end());
    if (queue.repeatMode == RepeatMode::all) {
        plan.entries.insert(plan.entries.end(), queue.history.begin(), queue.history.end());
        plan.repeatContext = true;
    }
    return plan;
}

DownloadsBySong groupDownloads(std::vector<DownloadRecord> records) {
    DownloadsBySong grouped;
    for (DownloadRecord& record : records) {
        std::string songID = record.song.id;
        grouped[songID].push_back(std::move(record));
    }
    return grouped;
}

std::optional<DownloadRecord> chooseDownload(const std::vector<DownloadRecord>& records,
                                             DownloadQuality wanted,
                                             const std::function<bool(const std::string& path)>& fileExists) {
    std::optional<DownloadRecord> fallback;
    for (const DownloadRecord& record : records) {
        if (!fileExists(record.path)) continue;
        if (record.quality == wanted) return record;
        if (!fallback) fallback = record;
    }
    return fallback;
}

bool downloadedFileExists(const std::string& path) noexcept {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace sorvalind
