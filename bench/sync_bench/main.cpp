// The synchronisation engine against the loopback fake server (in a process
// of its own) serving the generated library of the store benchmark, with the
// floor of the same pages fetched by a bare libcurl loop in the same run (the
// median of three fetches, one before each sync and one after):
// - a first sync into an empty store: wall time and its ratio to the floor,
//   the client's CPU time, its peak resident set, and what SQLite asked of
//   the file system (page writes per song, syncs per page);
// - a second sync with nothing changed on the server, the same figures;
// - unless --quick: a sync cancelled at half way and resumed (which
//   completes the old generation, then verifies with a whole pass): requests
//   and time as ratios of the uninterrupted first sync, and whether the final
//   store equals the uninterrupted run's.
// With --bare-ingest, also the store benchmark's bare SQLite ingest of the
// same pages, for reference.
// Goals: first sync within 2x the fetch floor, the unchanged sync within
// 1.2x, the client's peak resident set below 150 MB.
//
// Usage: sync_bench [--quick] [--bare-ingest] [songs] (100000 by default).

#include "loopback/generated_library.h"
#include "store_bench/bare_store.h"
#include "store_bench/bench_timing.h"
#include "support/library_contents.h"
#include "sync_bench/bare_fetch.h"
#include "sync_bench/io_counters.h"
#include "sync_bench/server_process.h"

#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "store/library_repository.h"
#include "sync/sync_engine.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace sorvalind;
using namespace sorvalind::bench;

namespace {

// Counts the page requests the engine makes.
class CountingAPI final : public LibraryAPI {
public:
    explicit CountingAPI(LibraryAPI& inner) : inner_(inner) {}
    SearchPage page(int artists, int albums, int songs, int count, std::stop_token stop) override {
        ++pages;
        const auto start = Clock::now();
        SearchPage page = inner_.page(artists, albums, songs, count, stop);
        requestSeconds += secondsSince(start);
        return page;
    }
    std::vector<Playlist> playlists(std::stop_token stop) override { return inner_.playlists(stop); }
    Playlist playlist(const std::string& id, std::stop_token stop) override {
        return inner_.playlist(id, stop);
    }

    std::atomic<int> pages = 0;
    // Time spent inside page() (request and decoding), on whichever thread.
    std::atomic<double> requestSeconds = 0;

private:
    LibraryAPI& inner_;
};

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;
    int pages = 0;
    double requestSeconds = 0;
    IOCounts io;
};

// User and system time of the whole process so far.
double processCPUSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The first three fields of /proc/loadavg.
std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// One refresh into `repository`; `progress` sees each report on the main actor.
Run timedSync(LibraryRepository& repository, Executor& mainActor, APIClient& client,
              const SyncEngine::ProgressCallback& progress = {}, std::stop_token stop = {}) {
    SyncEngine engine(repository, mainActor, systemWallClock(), "en_US");
    CountingAPI counting(client);
    const IOCounts io = ioCounts();
    const double cpu = processCPUSeconds();
    const auto start = Clock::now();
    try {
        engine.refresh(counting, progress, stop);
    } catch (const CancellationError&) {
    }
    return {secondsSince(start), processCPUSeconds() - cpu, counting.pages.load(),
            counting.requestSeconds.load(), ioCounts() - io};
}

void line(const char* what, const std::string& figure, const std::string& extra = {}) {
    std::printf("  %-44s %14s  %s\n", what, figure.c_str(), extra.c_str());
}

// Page writes per song and syncs per page of a run.
void ioLines(const Run& run, int songs) {
    line("time inside page requests (fetch, decode)", duration(run.requestSeconds),
         ratio(run.requestSeconds, run.seconds) + " of the wall time");
    line(
        "page writes per song (WAL frames included)",
        [&] {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", static_cast<double>(run.io.writes) / songs);
            return std::string(text);
        }(),
        std::to_string(run.io.writes) + " writes (" + std::to_string(run.io.logWrites) + " to the log, " +
            std::to_string(run.io.temporaryWrites) + " to temporary files), " + std::to_string(run.io.reads) +
            " reads");
    line(
        "syncs (fdatasync) per page",
        [&] {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f",
                          static_cast<double>(run.io.syncs) / std::max(run.pages, 1));
            return std::string(text);
        }(),
        std::to_string(run.io.syncs) + " syncs");
    line("time inside SQLite's writes and syncs",
         duration(run.io.writeSeconds) + " + " + duration(run.io.syncSeconds),
         ratio(run.io.writeSeconds + run.io.syncSeconds, run.seconds) + " of the wall time");
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    bool bareIngest = false;
    int songs = 100'000;
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument == "--quick")
            quick = true;
        else if (argument == "--bare-ingest")
            bareIngest = true;
        else
            songs = std::atoi(argv[index]);
    }
    installIOCounters();
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("sorvalind-sync-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    ServerProcess server((self.parent_path() / "sync_bench_server").string(), songs);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port());
    std::printf("sync benchmark: %d songs from %s (server in its own process)\n", songs, url.c_str());

    std::printf("load average at the start: %s (%u processors)\n", loadAverage().c_str(),
                std::thread::hardware_concurrency());

    SerialQueue mainActor("bench-main");
    APIClient client(ServerConfiguration(url, "alice", true), "sesame", mainActor);
    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
    const int pages = library.pageCount() + 1;
    const int pageSize = loopback::GeneratedLibrary::Shape().pageSize;

    // The floor: the same pages fetched with bare libcurl, once around each
    // sync so that a passing load on the machine weighs on both alike.
    std::vector<BareFetch> fetches;
    fetches.push_back(bareFetch(client, pages, pageSize));

    // First and second sync into one store.
    resetPeakResident();
    const std::string firstPath = (dir / "First.sqlite").string();
    LibraryRepository first(firstPath, mainActor);
    const Run initial = timedSync(first, mainActor, client);
    const std::size_t peak = peakResidentBytes();
    const int stored = static_cast<int>(first.songCount());
    fetches.push_back(bareFetch(client, pages, pageSize));
    const Run unchanged = timedSync(first, mainActor, client);
    fetches.push_back(bareFetch(client, pages, pageSize));
    std::vector<double> fetchSeconds;
    for (const BareFetch& fetch : fetches)
        fetchSeconds.push_back(fetch.seconds);
    std::sort(fetchSeconds.begin(), fetchSeconds.end());
    const double floorSeconds = fetchSeconds[fetchSeconds.size() / 2];

    std::printf("\nfloor: bare libcurl fetch of the %d pages (%s in %d requests)\n", pages,
                mebibytes(fetches.front().bytes).c_str(), fetches.front().requests);
    line("median of three fetches", duration(floorSeconds),
         duration(fetchSeconds.front()) + " .. " + duration(fetchSeconds.back()));

    std::printf("\nfirst sync into an empty store (%d pages, %d songs stored)\n", initial.pages, stored);
    line("wall time", duration(initial.seconds),
         ratio(initial.seconds, floorSeconds) + " of the floor (goal <= 2x)");
    line("songs per second", std::to_string(static_cast<long>(songs / initial.seconds)));
    line("client CPU time", duration(initial.cpuSeconds),
         ratio(initial.cpuSeconds, initial.seconds) + " of the wall time");
    line("peak resident set of the client", mebibytes(peak),
         std::string(peak < 150u * 1000 * 1000 ? "below" : "ABOVE") + " the 150 MB goal");
    ioLines(initial, songs);

    std::printf("\nsecond sync, nothing changed on the server\n");
    line("wall time", duration(unchanged.seconds),
         ratio(unchanged.seconds, floorSeconds) + " of the floor (goal <= 1.2x)");
    line("client CPU time", duration(unchanged.cpuSeconds),
         ratio(unchanged.cpuSeconds, unchanged.seconds) + " of the wall time");
    ioLines(unchanged, songs);

    bool equal = true;
    if (!quick) {
        // Cancelled at half way, then resumed, into a second store.
        LibraryRepository second((dir / "Second.sqlite").string(), mainActor);
        std::stop_source stop;
        const Run cancelled = timedSync(
            second, mainActor, client,
            [&stop, songs](const SyncProgress& progress) {
                if (progress.songs >= songs / 2) stop.request_stop();
            },
            stop.get_token());
        const int atCancel = static_cast<int>(second.songCount());
        const Run resumed = timedSync(second, mainActor, client);
        equal = test::libraryContents(first) == test::libraryContents(second);
        second.close();

        std::printf("\nsync cancelled at half way (%d songs stored), then resumed\n", atCancel);
        line("requests, cancelled + resumed",
             std::to_string(cancelled.pages) + " + " + std::to_string(resumed.pages),
             ratio(cancelled.pages + resumed.pages, initial.pages) + " of the uninterrupted run's " +
                 std::to_string(initial.pages));
        line("time, cancelled + resumed", duration(cancelled.seconds + resumed.seconds),
             ratio(cancelled.seconds + resumed.seconds, initial.seconds) + " of the uninterrupted run");
        line("final store equals the uninterrupted run's", equal ? "yes" : "NO");
    }

    if (bareIngest) {
        // For reference: the pages written with bare SQLite into a store
        // file of the same schema.
        const std::string floorPath = (dir / "Floor.sqlite").string();
        { LibraryRepository(floorPath, mainActor).close(); }
        double ingestSeconds = 0;
        const IOCounts io = ioCounts();
        {
            BareStore floor(floorPath);
            for (int index = 0; index < library.pageCount(); ++index) {
                const PageRows rows = PageRows::of(library.page(index), "G1");
                const auto start = Clock::now();
                floor.write(rows, "{\"page\":" + std::to_string(index) + "}");
                ingestSeconds += secondsSince(start);
            }
            const auto start = Clock::now();
            floor.finish("G1");
            ingestSeconds += secondsSince(start);
        }
        std::printf("\nbare SQLite ingest of the same pages (default connection settings)\n");
        line("time", duration(ingestSeconds), ratio(ingestSeconds, floorSeconds) + " of the fetch floor");
        ioLines(Run{ingestSeconds, 0, library.pageCount(), 0, ioCounts() - io}, songs);
    }

    std::printf("\nload average at the end: %s\n", loadAverage().c_str());
    first.close();
    std::filesystem::remove_all(dir);
    return equal ? 0 : 1;
}
