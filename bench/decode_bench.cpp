// Decoding ten-minute songs to the pipeline's format (48 kHz stereo float)
// through PCMDecoder, in times real time, against bare loops in the same run
// that do the same work without our layers: libFLAC, FFmpeg or libmpg123
// decoding plus libswresample to 48 kHz float. The songs are made once into
// a cache folder of the build tree.
#include "audio/pcm_decoder.h"
#include "bare_decode/bare_decode.h"
#include "loopback/audio/audio_fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using namespace sorvalind;
namespace fs = std::filesystem;

constexpr double songSeconds = 600;
using bench::bareFFmpeg;
using bench::bareFlac;
using bench::bareMpg123;
using bench::cached;
using bench::FileChunks;
using bench::outputRate;

std::size_t oursDecode(const fs::path& file) {
    PCMDecoder decoder(file, outputRate);
    std::size_t frames = 0;
    while (auto buffer = decoder.read(8192))
        frames += buffer->frameLength();
    return frames;
}

std::size_t oursStream(const fs::path& file) {
    PCMDecoder decoder(std::make_shared<FileChunks>(file), nullptr, outputRate);
    std::size_t frames = 0;
    while (auto buffer = decoder.read(8192))
        frames += buffer->frameLength();
    return frames;
}

// Best of several alternating rounds, in seconds.
std::pair<double, double> bestTimes(const std::function<std::size_t()>& ours,
                                    const std::function<std::size_t()>& bare, int rounds) {
    double bestOurs = 1e9, bestBare = 1e9;
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            auto start = std::chrono::steady_clock::now();
            std::size_t frames = which == 0 ? ours() : bare();
            std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
            if (std::abs(static_cast<double>(frames) - songSeconds * outputRate) > outputRate)
                throw std::runtime_error("a decode gave the wrong length");
            (which == 0 ? bestOurs : bestBare) = std::min(which == 0 ? bestOurs : bestBare, spent.count());
        }
    }
    return {bestOurs, bestBare};
}

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = fs::path(SORVALIND_BUILD_DIR) / "bench-audio";
    fs::create_directories(folder);
    const std::int64_t at441 = static_cast<std::int64_t>(songSeconds * 44100);
    using fixtures::Tone;
    fs::path flac16 = cached(folder, "song-16-44100.flac", [&] {
        return fixtures::flac(folder, "make-flac16", Tone{44100, 2, 16, at441});
    });
    fs::path flac24 = cached(folder, "song-24-96000.flac", [&] {
        return fixtures::flac(folder, "make-flac24",
                              Tone{96000, 2, 24, static_cast<std::int64_t>(songSeconds * 96000)});
    });
    fs::path mp3 = cached(folder, "song-320.mp3", [&] {
        return fixtures::mp3(folder, "make-mp3", Tone{44100, 2, 16, at441}, 320);
    });
    fs::path m4a = cached(folder, "song-aac.m4a", [&] {
        return fixtures::m4a(folder, "make-m4a", Tone{44100, 2, 16, at441});
    });

    struct Row {
        const char* name;
        std::function<std::size_t()> ours, bare;
        const char* floor;
    };
    const std::vector<Row> rows = {
        {"FLAC 16-bit 44.1 kHz", [&] { return oursDecode(flac16); }, [&] { return bareFlac(flac16); },
         "libFLAC"},
        {"FLAC 24-bit 96 kHz", [&] { return oursDecode(flac24); }, [&] { return bareFlac(flac24); },
         "libFLAC"},
        {"MP3 320 kbit/s file", [&] { return oursDecode(mp3); }, [&] { return bareFFmpeg(mp3); }, "FFmpeg"},
        {"MP3 320 kbit/s stream", [&] { return oursStream(mp3); }, [&] { return bareMpg123(mp3); },
         "libmpg123"},
        {"AAC in M4A", [&] { return oursDecode(m4a); }, [&] { return bareFFmpeg(m4a); }, "FFmpeg"},
    };
    bool allMet = true;
    std::printf("%-24s %12s %12s %8s  (goal: ratio >= 0.85)\n", "decode to 48 kHz float", "ours x rt",
                "bare x rt", "ratio");
    for (const auto& row : rows) {
        auto [ours, bare] = bestTimes(row.ours, row.bare, rounds);
        double ratio = bare / ours;
        allMet = allMet && ratio >= 0.85;
        std::printf("%-24s %11.1fx %11.1fx %8.3f  (bare: %s + libswresample)\n", row.name, songSeconds / ours,
                    songSeconds / bare, ratio, row.floor);
    }
    std::printf(allMet ? "every decode meets its goal\n" : "some decode misses its goal\n");
    return 0;
}
