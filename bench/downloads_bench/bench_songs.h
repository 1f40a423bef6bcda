#pragma once
// The songs of the downloads benchmark: 24-bit 48 kHz stereo FLAC files of
// pink noise, about 30 MB each (close to music in how well they compress),
// made once by sox into a cache folder and used again by later runs.
// Benchmark thread only; throws std::runtime_error when sox fails.

#include "library/song.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvalind::bench {

struct BenchSong {
    std::string id;
    std::filesystem::path file;
    std::int64_t bytes = 0;
};

// Seconds of audio in each file.
constexpr double benchSongSeconds = 245;

// `count` files in `cache`, made where missing.
std::vector<BenchSong> benchSongs(const std::filesystem::path& cache, int count);

// The song as a server lists it, with the figures verification compares.
Song listing(const BenchSong& song);

} // namespace sorvalind::bench
