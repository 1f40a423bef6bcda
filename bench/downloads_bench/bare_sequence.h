#pragma once
// The floor of the downloads benchmark: the same files fetched by plain
// libcurl GETs, three at a time, each body written to a file, decoded
// completely by the bare libFLAC loop and renamed into the output folder;
// none of our layers in between. Benchmark thread only; throws
// std::runtime_error when a fetch or a decode fails.

#include "downloads_bench/bench_songs.h"

#include <filesystem>
#include <string>
#include <vector>

namespace sorvalind::bench {

// `urls[i]` fetches `songs[i]`.
void bareSequence(const std::vector<BenchSong>& songs, const std::vector<std::string>& urls,
                  const std::filesystem::path& folder, int parallel);

} // namespace sorvalind::bench
