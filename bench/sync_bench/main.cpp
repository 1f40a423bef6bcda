// The synchronisation engine against the loopback fake server (in a process
// of its own) serving the generated library of the store benchmark:
// - a first sync into an empty store: wall time, songs per second, the
//   client's peak resident set, and its ratio to the floor of the same pages
//   fetched with a bare libcurl loop plus written by the store benchmark's
//   bare SQLite ingest;
// - a second sync with nothing changed, as a ratio of the first;
// - a sync cancelled at half way and resumed (which completes the old
//   generation, then verifies with a whole pass): requests and time as
//   ratios of the uninterrupted first sync, and whether the final store
//   equals the uninterrupted run's.
// Goals: first sync within 2x the floor, the unchanged sync at most 0.5x the
// first, peak resident set below 250 MB.
//
// Usage: sync_bench [songs] (100000 by default).

#include "loopback/generated_library.h"
#include "store_bench/bare_store.h"
#include "store_bench/bench_timing.h"
#include "sync_bench/bare_fetch.h"
#include "sync_bench/server_process.h"

#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "store/library_repository.h"
#include "sync/sync_engine.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace sorvalind;
using namespace sorvalind::bench;

namespace {

// Counts the page requests the engine makes.
class CountingAPI final : public LibraryAPI {
public:
    explicit CountingAPI(LibraryAPI& inner) : inner_(inner) {}
    SearchPage page(int artists, int albums, int songs, int count, std::stop_token stop) override {
        ++pages;
        return inner_.page(artists, albums, songs, count, stop);
    }
    std::vector<Playlist> playlists(std::stop_token stop) override { return inner_.playlists(stop); }
    Playlist playlist(const std::string& id, std::stop_token stop) override {
        return inner_.playlist(id, stop);
    }

    std::atomic<int> pages = 0;

private:
    LibraryAPI& inner_;
};

struct Run {
    double seconds = 0;
    int pages = 0;
};

// One refresh into `repository`; `progress` sees each report on the main actor.
Run timedSync(LibraryRepository& repository, Executor& mainActor, APIClient& client,
              const SyncEngine::ProgressCallback& progress = {}, std::stop_token stop = {}) {
    SyncEngine engine(repository, mainActor, systemWallClock(), "en_US");
    CountingAPI counting(client);
    const auto start = Clock::now();
    try {
        engine.refresh(counting, progress, stop);
    } catch (const CancellationError&) {
    }
    return {secondsSince(start), counting.pages.load()};
}

// Everything the store shows of the library, as one text.
std::string contents(LibraryRepository& repository) {
    std::string text;
    for (const Song& song : repository.songs("", SongSort::title))
        text += song.encode().dump() + '\n';
    for (const Album& album : repository.albums("", AlbumSort::title))
        text += album.encode().dump() + '\n';
    for (const Artist& artist : repository.artists(""))
        text += artist.encode().dump() + '\n';
    return text;
}

void line(const char* what, const std::string& figure, const std::string& extra = {}) {
    std::printf("  %-44s %14s  %s\n", what, figure.c_str(), extra.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("sorvalind-sync-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    ServerProcess server((self.parent_path() / "sync_bench_server").string(), songs);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port());
    std::printf("sync benchmark: %d songs from %s (server in its own process)\n", songs, url.c_str());

    SerialQueue mainActor("bench-main");
    APIClient client(ServerConfiguration(url, "alice", true), "sesame", mainActor);

    // First and second sync into one store.
    resetPeakResident();
    const std::string firstPath = (dir / "First.sqlite").string();
    LibraryRepository first(firstPath, mainActor);
    const Run initial = timedSync(first, mainActor, client);
    const std::size_t peak = peakResidentBytes();
    const int stored = static_cast<int>(first.songCount());
    const Run unchanged = timedSync(first, mainActor, client);

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
    const bool equal = contents(first) == contents(second);

    // The floors: the same pages fetched with bare libcurl, and written with
    // bare SQLite into a store file of the same schema.
    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
    const BareFetch fetched =
        bareFetch(client, library.pageCount() + 1, loopback::GeneratedLibrary::Shape().pageSize);
    const std::string floorPath = (dir / "Floor.sqlite").string();
    { LibraryRepository(floorPath, mainActor).close(); }
    double ingestFloor = 0;
    {
        BareStore floor(floorPath);
        for (int index = 0; index < library.pageCount(); ++index) {
            const PageRows rows = PageRows::of(library.page(index), "G1");
            const auto start = Clock::now();
            floor.write(rows, "{\"page\":" + std::to_string(index) + "}");
            ingestFloor += secondsSince(start);
        }
        const auto start = Clock::now();
        floor.finish("G1");
        ingestFloor += secondsSince(start);
    }
    const double floorSeconds = fetched.seconds + ingestFloor;

    std::printf("\nfirst sync into an empty store (%d pages, %d songs stored)\n", initial.pages, stored);
    line("wall time", duration(initial.seconds),
         ratio(initial.seconds, floorSeconds) + " of the floor (goal <= 2x)");
    line("songs per second", std::to_string(static_cast<long>(songs / initial.seconds)));
    line("floor: bare libcurl fetch of the pages", duration(fetched.seconds),
         mebibytes(fetched.bytes) + " in " + std::to_string(fetched.requests) + " requests");
    line("floor: bare SQLite ingest of the pages", duration(ingestFloor));
    line("peak resident set of the client", mebibytes(peak),
         std::string(peak < 250u * 1000 * 1000 ? "below" : "ABOVE") + " the 250 MB goal");

    std::printf("\nsecond sync, nothing changed on the server\n");
    line("wall time", duration(unchanged.seconds),
         ratio(unchanged.seconds, initial.seconds) + " of the first (goal <= 0.5x)");

    std::printf("\nsync cancelled at half way (%d songs stored), then resumed\n", atCancel);
    line("requests, cancelled + resumed",
         std::to_string(cancelled.pages) + " + " + std::to_string(resumed.pages),
         ratio(cancelled.pages + resumed.pages, initial.pages) + " of the uninterrupted run's " +
             std::to_string(initial.pages));
    line("time, cancelled + resumed", duration(cancelled.seconds + resumed.seconds),
         ratio(cancelled.seconds + resumed.seconds, initial.seconds) + " of the uninterrupted run");
    line("final store equals the uninterrupted run's", equal ? "yes" : "NO");

    first.close();
    second.close();
    std::filesystem::remove_all(dir);
    return equal ? 0 : 1;
}
