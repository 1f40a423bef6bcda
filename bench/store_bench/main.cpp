// The local library store at the size of a large collection: ingest of every
// search3 page into an empty store, the list queries and search for short
// prefixes, whole-list reads in every sort, the end of a synchronisation run
// and opening an existing store. Each figure is printed with its ratio to a
// floor measured in the same run (the same SQL on a bare connection, rows
// walked with simdjson instead of decoded).
//
// Usage: store_bench [--songs N] [--dir PATH]   (default 100000 songs, a
// fresh folder under /tmp; albums and artists scale with the songs).
#include "store_bench/bare_store.h"
#include "store_bench/bench_timing.h"

#include "loopback/generated_library.h"
#include "runtime/thread_executor.h"
#include "store/library_query_text.h"
#include "store/library_repository.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace sorvalind;
using namespace sorvalind::bench;
using sorvalind::loopback::GeneratedLibrary;

struct Options {
    int songs = 100'000;
    std::filesystem::path dir;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--songs" && i + 1 < argc) {
            options.songs = std::max(100, std::atoi(argv[++i]));
        } else if (argument == "--dir" && i + 1 < argc) {
            options.dir = argv[++i];
        } else {
            std::cerr << "usage: store_bench [--songs N] [--dir PATH]\n";
            std::exit(2);
        }
    }
    if (options.dir.empty())
        options.dir =
            std::filesystem::temp_directory_path() / ("sorvalind-store-bench-" + std::to_string(getpid()));
    return options;
}

void line(const std::string& what, const std::string& figure, const std::string& floor, double value,
          double floorValue, const std::string& extra = {}) {
    std::printf("  %-44s %12s  floor %12s  %8s%s\n", what.c_str(), figure.c_str(), floor.c_str(),
                ratio(value, floorValue).c_str(), extra.c_str());
    std::fflush(stdout);
}

void phase(const char* title) {
    std::printf("\n%s\n", title);
    std::fflush(stdout);
}

// The largest phase peak so far: resetting the kernel's peak between phases
// also resets the whole-run figure getrusage reports.
std::size_t runPeak = 0;

std::string peakNote() {
    const std::size_t peak = peakResidentBytes();
    runPeak = std::max(runPeak, peak);
    return "  peak RSS " + mebibytes(peak);
}

// Ingests every page of `library` under `generation`, skipping the songs
// for which `keep` is false; returns the seconds spent inside ingest().
double ingestAll(LibraryRepository& repository, const loopback::GeneratedLibrary& library,
                 const std::string& generation, const std::function<bool(int)>& keep) {
    double spent = 0;
    for (int index = 0; index < library.pageCount(); ++index) {
        SearchPage page = library.page(index);
        if (page.song) {
            std::vector<Song> kept;
            const int first = index * library.shape().pageSize;
            for (std::size_t i = 0; i < page.song->size(); ++i)
                if (keep(first + static_cast<int>(i))) kept.push_back(std::move((*page.song)[i]));
            page.song = std::move(kept);
        }
        const auto start = Clock::now();
        repository.ingest(page, generation, "{\"page\":" + std::to_string(index) + "}");
        spent += secondsSince(start);
    }
    return spent;
}

struct QueryCase {
    std::string label;
    std::string text;
};

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::filesystem::create_directories(options.dir);
    const std::string storePath = (options.dir / "Library.sqlite").string();
    const std::string floorPath = (options.dir / "Floor.sqlite").string();
    const std::string copyPath = (options.dir / "Copy.sqlite").string();
    for (const auto& path : {storePath, floorPath, copyPath})
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);

    const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(options.songs));
    const auto& shape = library.shape();
    std::printf("store benchmark: %d songs, %d albums, %d artists, %d pages of %d, in %s\n", shape.songs,
                shape.albums, shape.artists, library.pageCount(), shape.pageSize, options.dir.c_str());

    SerialQueue mainActor("bench-main");
    auto repository = std::make_unique<LibraryRepository>(storePath, mainActor);
    // The floor gets the same schema from the store itself.
    { LibraryRepository(floorPath, mainActor).close(); }

    // Ingest ------------------------------------------------------------------
    phase("ingest of every page into an empty store (one transaction per page)");
    resetPeakResident();
    double floorSeconds = 0;
    {
        BareStore floor(floorPath);
        for (int index = 0; index < library.pageCount(); ++index) {
            const PageRows rows = PageRows::of(library.page(index), "G1");
            const auto start = Clock::now();
            floor.write(rows, "{\"page\":" + std::to_string(index) + "}");
            floorSeconds += secondsSince(start);
        }
    }
    const double ingestSeconds = ingestAll(*repository, library, "G1", [](int) { return true; });
    line("ingest", duration(ingestSeconds), duration(floorSeconds), ingestSeconds, floorSeconds,
         "  (" + duration(ingestSeconds / library.pageCount()) + " per page)");
    // The sync's end merges the search segments its pages left, so the
    // queries below read the index a finished sync leaves.
    {
        const auto start = Clock::now();
        repository->finishSync("G1");
        std::printf("  (finish of that sync, merging the search index: %s)\n",
                    duration(secondsSince(start)).c_str());
    }
    std::printf("%s\n", peakNote().c_str());

    // Queries -----------------------------------------------------------------
    BareStore bare(storePath);
    const std::vector<QueryCase> cases{
        {"1 character \"s\"", "s"},      {"2 characters \"so\"", "so"},
        {"3 characters \"Gen\"", "Gen"}, {"3 characters \"lum\"", "lum"},
        {"3 characters \"mül\"", "mül"}, {"two words \"zoe lum\"", "zoe lum"},
    };
    phase("queries: median and p99 against the bare statement plus a simdjson walk of its rows");
    resetPeakResident();
    auto measure = [&](const std::string& what, const std::function<std::size_t()>& store,
                       const std::vector<QueryText>& statements) {
        std::size_t matches = 0;
        const Samples storeSamples = sample([&] { matches = store(); }, 5, 200, 1.0);
        std::size_t floorMatches = 0;
        const Samples floorSamples = sample(
            [&] {
                floorMatches = 0;
                for (const QueryText& statement : statements)
                    floorMatches += bare.query(statement.sql, statement.bindings);
            },
            5, 200, 1.0);
        line(what + " median", duration(storeSamples.median()), duration(floorSamples.median()),
             storeSamples.median(), floorSamples.median(),
             "  " + std::to_string(matches) + " matches" +
                 (floorMatches != matches ? " (floor " + std::to_string(floorMatches) + ")" : ""));
        line(what + " p99 (" + std::to_string(storeSamples.count()) + " runs)", duration(storeSamples.p99()),
             duration(floorSamples.p99()), storeSamples.p99(), floorSamples.p99());
    };
    for (const QueryCase& c : cases) {
        measure("songs " + c.label, [&] { return repository->songs(c.text, SongSort::title).size(); },
                {songsQueryText(c.text, SongSort::title, false, std::nullopt, std::nullopt, std::nullopt)});
        measure("albums " + c.label, [&] { return repository->albums(c.text, AlbumSort::title).size(); },
                {albumsQueryText(c.text, AlbumSort::title, false, std::nullopt)});
        measure("artists " + c.label, [&] { return repository->artists(c.text).size(); },
                {artistsQueryText(c.text)});
        measure("search " + c.label, [&] { return repository->search(c.text).count(); },
                {songsQueryText(c.text, SongSort::title, false, std::nullopt, std::nullopt, std::nullopt),
                 albumsQueryText(c.text, AlbumSort::artist, false, std::nullopt), artistsQueryText(c.text)});
    }
    phase("artists: the statement counting every artist's albums before filtering, for reference");
    for (const QueryCase& c : {cases[3], cases[4]}) {
        std::size_t rows = 0;
        const QueryText all = artistsQueryTextCountingAll(c.text);
        const Samples counted = sample([&] { rows = bare.query(all.sql, all.bindings); }, 3, 10, 1.0);
        const QueryText matched = artistsQueryText(c.text);
        const Samples onlyMatched = sample([&] { bare.query(matched.sql, matched.bindings); }, 3, 200, 1.0);
        line("counting all, " + c.label, duration(counted.median()), duration(onlyMatched.median()),
             counted.median(), onlyMatched.median(),
             "  " + std::to_string(rows) + " rows (floor: matched only)");
    }
    std::printf("%s\n", peakNote().c_str());

    // Whole lists -----------------------------------------------------------
    phase("whole-list read and decode (no row limit)");
    resetPeakResident();
    for (SongSort sort : SongSort::allCases()) {
        std::size_t rows = 0;
        const Samples store = sample([&] { rows = repository->songs("", sort).size(); }, 1, 3, 2.0);
        const QueryText statement = songsQueryText("", sort, false, std::nullopt, std::nullopt, std::nullopt);
        const Samples floor = sample([&] { bare.query(statement.sql, statement.bindings); }, 1, 3, 2.0);
        line("songs by " + std::string(sort.rawValue()), duration(store.median()), duration(floor.median()),
             store.median(), floor.median(), "  " + std::to_string(rows) + " rows");
    }
    for (AlbumSort sort : AlbumSort::allCases()) {
        std::size_t rows = 0;
        const Samples store = sample([&] { rows = repository->albums("", sort).size(); }, 3, 20, 1.0);
        const QueryText statement = albumsQueryText("", sort, false, std::nullopt);
        const Samples floor = sample([&] { bare.query(statement.sql, statement.bindings); }, 3, 20, 1.0);
        line("albums by " + std::string(sort.rawValue()), duration(store.median()), duration(floor.median()),
             store.median(), floor.median(), "  " + std::to_string(rows) + " rows");
    }
    {
        std::size_t rows = 0;
        const Samples store = sample([&] { rows = repository->artists("").size(); }, 3, 10, 1.0);
        const QueryText statement = artistsQueryText("");
        const Samples floor = sample([&] { bare.query(statement.sql, statement.bindings); }, 3, 10, 1.0);
        line("artists with album counts", duration(store.median()), duration(floor.median()), store.median(),
             floor.median(), "  " + std::to_string(rows) + " rows");
    }
    std::printf("%s\n", peakNote().c_str());

    // finishSync -------------------------------------------------------------
    phase("finishSync (floor: the same deletions and state writes on a copy, one transaction)");
    resetPeakResident();
    auto finishAfter = [&](const std::string& what, const std::string& generation,
                           const std::function<bool(int)>& keep) {
        const double reingest = ingestAll(*repository, library, generation, keep);
        std::printf("  (re-ingest of every page under %s: %s)\n", generation.c_str(),
                    duration(reingest).c_str());
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(copyPath + suffix);
        bare.backupTo(copyPath);
        double floor = 0;
        {
            BareStore copy(copyPath);
            const auto start = Clock::now();
            copy.finish(generation);
            floor = secondsSince(start);
        }
        const auto before = repository->songCount();
        const auto start = Clock::now();
        repository->finishSync(generation);
        const double spent = secondsSince(start);
        const auto after = repository->songCount();
        line(what, duration(spent), duration(floor), spent, floor,
             "  " + std::to_string(before - after) + " songs removed");
    };
    finishAfter("after an unchanged generation", "G2", [](int) { return true; });
    finishAfter("after a generation without 1% of the songs", "G3", [](int song) { return song % 100 != 7; });
    std::printf("%s\n", peakNote().c_str());

    // Open ---------------------------------------------------------------------
    phase("open of the existing store until the first revisions()");
    resetPeakResident();
    repository.reset();
    {
        // Closing is not part of opening: each store is released after its sample.
        Samples store;
        Samples floor;
        for (int round = 0; round < 9; ++round) {
            auto start = Clock::now();
            auto opened = std::make_unique<LibraryRepository>(storePath, mainActor);
            (void)opened->revisions();
            store.add(secondsSince(start));
            opened.reset();
            start = Clock::now();
            auto bareOpened = BareStore::openAndReadVersion(storePath);
            floor.add(secondsSince(start));
        }
        line("open", duration(store.median()), duration(floor.median()), store.median(), floor.median());
    }

    std::printf("%s\n", peakNote().c_str());
    std::printf("\npeak RSS of the whole run: %s\n", mebibytes(runPeak).c_str());
    if (options.dir.filename().string().rfind("sorvalind-store-bench-", 0) == 0)
        std::filesystem::remove_all(options.dir);
    return 0;
}
