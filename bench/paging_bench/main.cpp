// Paging a 20,000-song library (500 items of each kind per page) from the
// loopback fake server, in a process of its own, through the REST client's
// page() (request, envelope check, records decoded from the one parse),
// against the floor of a bare libcurl loop fetching the same pages with the
// same form bodies in the same run. The two alternate over several rounds
// and the best round of each counts. Goal: within 1.3x the bare loop.
//
// Usage: paging_bench [songs] (20000 by default).

#include "loopback/generated_library.h"
#include "store_bench/bench_timing.h"
#include "sync_bench/bare_fetch.h"
#include "sync_bench/server_process.h"

#include "runtime/thread_executor.h"
#include "server/api_client.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace sorvalind;
using namespace sorvalind::bench;

int main(int argc, char** argv) {
    const int songs = argc > 1 ? std::atoi(argv[1]) : 20'000;
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    ServerProcess server((self.parent_path() / "sync_bench_server").string(), songs);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port());

    SerialQueue mainActor("bench-main");
    APIClient client(ServerConfiguration(url, "alice", true), "sesame", mainActor);
    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
    const int count = loopback::GeneratedLibrary::Shape().pageSize;
    const int pages = library.pageCount();

    double best = 1e9;
    double bestFloor = 1e9;
    std::size_t items = 0;
    BareFetch fetched;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        std::size_t seen = 0;
        for (int page = 0; page < pages; ++page) {
            SearchPage result = client.page(page * count, page * count, page * count, count, {});
            seen += result.song ? result.song->size() : 0;
        }
        best = std::min(best, secondsSince(start));
        items = seen;
        fetched = bareFetch(client, pages, count);
        bestFloor = std::min(bestFloor, fetched.seconds);
    }

    std::printf("paging %d songs, %d pages of %d items of each kind (%s per pass)\n", songs, pages, count,
                mebibytes(fetched.bytes).c_str());
    std::printf("  client page(), decoded into records   %10s  (%zu songs)\n", duration(best).c_str(), items);
    std::printf("  floor, bare libcurl loop              %10s\n", duration(bestFloor).c_str());
    std::printf("  ratio client/floor                    %10s  (goal <= 1.3x)\n",
                ratio(best, bestFloor).c_str());
    return items == static_cast<std::size_t>(songs) ? 0 : 1;
}
