// Rendering a queue of three ten-minute 48 kHz FLAC songs through the
// gapless pipeline on the offline output, as fast as it goes: times real
// time, CPU time per minute of audio, and the ratio to the bare libFLAC loop
// decoding the same files in the same run (the floor). Resident memory is
// sampled as each song begins, to show that it stays flat over the queue.
// Goals: at least 300x real time, at least 0.7 of the floor.
//
// The render loop stands in for a device that always wants more. When a block
// ends in silence the node has most likely run dry: it waits for the
// pipeline to report the underrun and then to say that audio is scheduled
// again. (The test songs are sweeps, never silent for 16 frames on both
// channels.)

#include "audio/offline_output.h"
#include "bare_decode/bare_decode.h"
#include "loopback/audio/audio_fixtures.h"
#include "platform/crypto/digest.h"
#include "playback/audio_pipeline.h"

extern "C" {
#include <libavutil/log.h>
}

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <vector>

namespace {

using namespace sorvalind;
namespace fs = std::filesystem;

constexpr double songSeconds = 600;
constexpr int songs = 3;

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// What the render loop needs to know of the pipeline's events.
struct Watch {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool dry = false;
    bool ended = false;
    int underruns = 0;
    std::vector<double> residentAtBegan;
    std::string failure;

    void handle(const AudioPipeline::Event& event) {
        using Kind = AudioPipeline::Event::Kind;
        std::lock_guard lock(mutex);
        switch (event.kind) {
        case Kind::buffered:
            started = true;
            break;
        case Kind::buffering:
            dry = event.buffering;
            underruns += event.buffering;
            break;
        case Kind::began:
            residentAtBegan.push_back(residentMiB());
            break;
        case Kind::ended:
            ended = true;
            break;
        case Kind::failed:
            failure = event.message;
            ended = true;
            break;
        default:
            break;
        }
        changed.notify_all();
    }
};

bool endsInSilence(const PCMBuffer& block) {
    for (const auto& channel : block.channels)
        for (std::size_t i = channel.size() - 16; i < channel.size(); ++i)
            if (channel[i] != 0.0f) return false;
    return true;
}

struct Run {
    double wall = 0;
    double cpu = 0;
    double rendered = 0;
    int underruns = 0;
    std::vector<double> residentAtBegan;
};

Run renderQueue(const std::vector<fs::path>& files) {
    auto engine = std::make_shared<AudioEngine>(std::make_unique<OfflineOutput>());
    auto pipeline = AudioPipeline::make(engine, nullptr);
    Watch watch;
    pipeline->setEventHandler(
        [&watch](const std::string&, const AudioPipeline::Event& event) { watch.handle(event); });
    std::vector<AudioPipeline::Source> sources;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Song song;
        song.id = "song-" + std::to_string(i);
        song.title = song.id;
        sources.emplace_back(QueueEntry(song),
                             [file = files[i]](double) { return AudioPipeline::ResolvedSource::file(file); });
    }
    Run run;
    auto cpuStart = cpuSeconds();
    auto start = std::chrono::steady_clock::now();
    pipeline->start(sources, 0, true, randomUUID(), false);
    std::int64_t frames = 0;
    int underruns = 0;
    for (;;) {
        {
            std::unique_lock lock(watch.mutex);
            watch.changed.wait(lock, [&] { return watch.ended || (watch.started && !watch.dry); });
            if (watch.ended) break;
        }
        PCMBuffer block = engine->renderOffline(8192);
        frames += static_cast<std::int64_t>(block.frameLength());
        if (endsInSilence(block)) {
            std::unique_lock lock(watch.mutex);
            // A block rendered while the pipeline re-places a late buffer
            // (the node stands still for that moment) is silent too, with
            // no underrun to follow: give up waiting after a moment.
            watch.changed.wait_for(lock, std::chrono::milliseconds(1),
                                   [&] { return watch.ended || watch.underruns > underruns; });
            underruns = watch.underruns;
        }
    }
    std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    run.wall = wall.count();
    run.cpu = cpuSeconds() - cpuStart;
    run.rendered = static_cast<double>(frames) / bench::outputRate;
    std::lock_guard lock(watch.mutex);
    if (!watch.failure.empty()) throw std::runtime_error("the pipeline failed: " + watch.failure);
    run.underruns = watch.underruns;
    run.residentAtBegan = watch.residentAtBegan;
    return run;
}

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const fs::path folder = fs::path(SORVALIND_BUILD_DIR) / "bench-audio";
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < songs; ++i) {
        auto name = "queue-" + std::to_string(i) + "-48000.flac";
        files.push_back(bench::cached(folder, name, [&] {
            return fixtures::flac(
                folder, "make-queue-source-" + std::to_string(i),
                fixtures::Tone{48000, 2, 16, static_cast<std::int64_t>(songSeconds * 48000) + i});
        }));
    }
    const double audio = songs * songSeconds;

    Run best;
    best.wall = 1e9;
    double floor = 1e9;
    for (int round = 0; round < rounds; ++round) {
        Run run = renderQueue(files);
        if (run.wall < best.wall) best = run;
        auto start = std::chrono::steady_clock::now();
        std::size_t made = 0;
        for (const auto& file : files)
            made += bench::bareFlac(file);
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        if (std::abs(static_cast<double>(made) / bench::outputRate - audio) > 1)
            throw std::runtime_error("the bare loop gave the wrong length");
        floor = std::min(floor, spent.count());
    }

    double times = audio / best.wall;
    double ratio = floor / best.wall;
    std::printf("pipeline, %d x %.0f s of 48 kHz FLAC on the offline output (best of %d)\n", songs,
                songSeconds, rounds);
    std::printf("  %.1fx real time (goal >= 300x), %.1f s wall, %.3f s CPU per audio minute\n", times,
                best.wall, best.cpu / (audio / 60));
    std::printf("  floor (bare libFLAC + libswresample loop): %.1fx real time; ratio %.3f (goal >= 0.7)\n",
                audio / floor, ratio);
    std::printf("  rendered %.1f s for %.1f s of audio, %d underruns of the render loop\n", best.rendered,
                audio, best.underruns);
    std::printf("  resident MiB as each song began:");
    for (double mib : best.residentAtBegan)
        std::printf(" %.1f", mib);
    std::printf("; peak %.1f MiB\n", peakMiB());
    std::printf(times >= 300 && ratio >= 0.7 ? "the pipeline meets its goals\n"
                                             : "the pipeline misses a goal\n");
    return 0;
}
