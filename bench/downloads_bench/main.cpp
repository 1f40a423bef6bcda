// Downloading and verifying twenty 30 MB FLAC files (48 kHz) from the
// loopback fake server, three at a time, through DownloadManager, against a
// bare sequence in the same run: plain libcurl GETs of the same files to
// disk, three at a time, each followed by the bare libFLAC decode to the
// pipeline's format. Each side runs several rounds (default 5), in turn
// first and second, each starting after a sync; the best round's wall time
// counts, with its CPU time (every thread of this
// process) and the growth of the peak resident set over the round. The
// server runs in a process of its own, so its work counts on neither side.
// Goals: wall time within 1.3x and CPU time within 1.2x the bare sequence,
// memory flat (well below one file: bodies go to disk, never whole into
// memory). The files are made once into a cache folder of the build tree.

#include "downloads_bench/bare_sequence.h"
#include "downloads_bench/bench_songs.h"
#include "downloads_bench/manager_run.h"
#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "store_bench/bench_timing.h"
#include "sync_bench/server_process.h"

#include <curl/curl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>

namespace {

using namespace sorvalind;
using namespace sorvalind::bench;
namespace fs = std::filesystem;

constexpr int songCount = 20;
constexpr int parallel = 3;

struct Round {
    double wall = 0;
    double cpu = 0;
    std::size_t memoryGrowth = 0;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One round of `work` into a fresh folder, removed afterwards.
Round measure(const fs::path& folder, const std::function<void(const fs::path&)>& work) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Each side starts with nothing of the other's left to write back.
    ::sync();
    resetPeakResident();
    const std::size_t before = residentBytes();
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    work(folder);
    Round round;
    round.wall = secondsSince(start);
    round.cpu = cpuSeconds() - cpuBefore;
    const std::size_t peak = peakResidentBytes();
    round.memoryGrowth = peak > before ? peak - before : 0;
    fs::remove_all(folder);
    return round;
}

void print(const char* name, const Round& round, double megabytes) {
    std::printf("  %-22s wall %9s  %7.1f MB/s  CPU %9s  peak RSS +%s\n", name, duration(round.wall).c_str(),
                megabytes / round.wall, duration(round.cpu).c_str(), mebibytes(round.memoryGrowth).c_str());
}

} // namespace

int main(int argc, char** argv) {
    try {
        const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
        const fs::path self = fs::canonical("/proc/self/exe");
        const fs::path cache = self.parent_path() / "bench-audio" / "downloads";
        const std::vector<BenchSong> songs = benchSongs(cache, songCount);
        std::vector<Song> listed;
        double megabytes = 0;
        for (const auto& song : songs) {
            listed.push_back(listing(song));
            megabytes += static_cast<double>(song.bytes) / 1e6;
        }

        ServerProcess server((self.parent_path() / "downloads_bench_server").string(), {cache.string()});
        const std::string url = "http://127.0.0.1:" + std::to_string(server.port());
        curl_global_init(CURL_GLOBAL_DEFAULT);

        // The bare side fetches what the client would ask for, as a GET.
        std::vector<std::string> urls;
        {
            SerialQueue requests("bench-requests");
            APIClient client(ServerConfiguration(url, "alice", true), "sesame", requests);
            for (const auto& song : songs) {
                const HttpRequest request = client.downloadRequest(song.id, DownloadQuality::original);
                urls.push_back(request.url.absoluteString() +
                               (request.body.empty() ? "" : "?" + request.body));
            }
        }

        const fs::path work =
            fs::temp_directory_path() / ("sorvalind-downloads-bench-" + std::to_string(getpid()));
        std::printf("downloads benchmark: %d FLAC files, %.1f MB in all, %d at a time, best of %d rounds\n",
                    songCount, megabytes, parallel, rounds);
        Round bestOurs{1e9, 0, 0}, bestBare{1e9, 0, 0};
        std::size_t oursMemory = 0, bareMemory = 0;
        for (int round = 0; round < rounds; ++round) {
            // Alternating which side goes first, so neither always meets the
            // machine as the other left it.
            auto runBare = [&] {
                return measure(work,
                               [&](const fs::path& folder) { bareSequence(songs, urls, folder, parallel); });
            };
            auto runOurs = [&] {
                return measure(work,
                               [&](const fs::path& folder) { downloadThroughManager(url, listed, folder); });
            };
            Round bare, ours;
            if (round % 2 == 0) {
                bare = runBare();
                ours = runOurs();
            } else {
                ours = runOurs();
                bare = runBare();
            }
            std::printf("  round %d: manager %s (CPU %s), bare %s (CPU %s)\n", round + 1,
                        duration(ours.wall).c_str(), duration(ours.cpu).c_str(), duration(bare.wall).c_str(),
                        duration(bare.cpu).c_str());
            if (ours.wall < bestOurs.wall) bestOurs = ours;
            if (bare.wall < bestBare.wall) bestBare = bare;
            oursMemory = std::max(oursMemory, ours.memoryGrowth);
            bareMemory = std::max(bareMemory, bare.memoryGrowth);
        }
        bestOurs.memoryGrowth = oursMemory;
        bestBare.memoryGrowth = bareMemory;
        fs::remove_all(work);

        print("DownloadManager", bestOurs, megabytes);
        print("bare curl + libFLAC", bestBare, megabytes);
        std::printf("  wall %s the bare sequence (goal: within 1.30x)\n",
                    ratio(bestOurs.wall, bestBare.wall).c_str());
        std::printf("  CPU  %s the bare sequence (goal: within 1.20x)\n",
                    ratio(bestOurs.cpu, bestBare.cpu).c_str());
        std::printf("  peak RSS growth %s against %s for the bare sequence, files of %.1f MB (goal: flat)\n",
                    mebibytes(oursMemory).c_str(), mebibytes(bareMemory).c_str(), megabytes / songCount);
        curl_global_cleanup();
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "downloads_bench: %s\n", error.what());
        return 1;
    }
}
