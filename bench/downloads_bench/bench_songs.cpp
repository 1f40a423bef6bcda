#include "downloads_bench/bench_songs.h"

#include "loopback/audio/audio_fixtures.h"

#include <cstdio>

namespace sorvalind::bench {

namespace fs = std::filesystem;

std::vector<BenchSong> benchSongs(const fs::path& cache, int count) {
    fs::create_directories(cache);
    std::vector<BenchSong> songs;
    for (int i = 0; i < count; ++i) {
        BenchSong song;
        song.id = "song" + std::to_string(i);
        song.file = cache / (song.id + ".flac");
        if (!fs::exists(song.file)) {
            std::printf("making %s ...\n", song.file.filename().c_str());
            std::fflush(stdout);
            // Made under another name and renamed, so a stopped run never
            // leaves a short file behind.
            const fs::path making = cache / (song.id + ".making");
            fixtures::run("sox -n -r 48000 -b 24 -c 2 -t flac '" + making.string() + "' synth " +
                          std::to_string(static_cast<int>(benchSongSeconds)) + " pinknoise vol 0.3");
            fs::rename(making, song.file);
        }
        song.bytes = static_cast<std::int64_t>(fs::file_size(song.file));
        songs.push_back(song);
    }
    return songs;
}

Song listing(const BenchSong& song) {
    Song listed = Song::make(song.id, "Noise " + song.id);
    listed.suffix = "flac";
    listed.duration = benchSongSeconds;
    listed.samplingRate = 48000;
    listed.bitDepth = 24;
    listed.size = song.bytes;
    return listed;
}

} // namespace sorvalind::bench
