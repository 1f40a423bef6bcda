#pragma once
// The measured side of the downloads benchmark: the songs downloaded and
// verified through DownloadManager, as the application runs it (its own
// main actor, a real library store, the client's HTTP session), from
// enqueue until every song has its record. Benchmark thread only; throws
// std::runtime_error when a job fails.

#include "library/song.h"

#include <filesystem>
#include <string>
#include <vector>

namespace sorvalind::bench {

// `folder` receives the store, the transfer folder and the download root.
void downloadThroughManager(const std::string& serverUrl, const std::vector<Song>& songs,
                            const std::filesystem::path& folder);

} // namespace sorvalind::bench
