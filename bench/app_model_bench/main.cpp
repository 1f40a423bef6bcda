// Loading the library pages through the application model, against the bare
// repository reads those loads perform, in the same run: the first load on
// the "Songs" route of a large store (every list), and a load after one song
// edited through the repository (the song list, the artists and the count).
// The first load is also set against a single-threaded floor: the same
// statements on a bare SQLite connection with their rows walked by simdjson
// instead of decoded. The memory held per loaded song is the growth of the
// resident set (after returning freed memory) while the list is held.
//
// Usage: app_model_bench [--songs N]   (default 100000; albums and artists
// scale with the songs). Prints each figure with its ratio to its floor.
#include "loopback/generated_library.h"
#include "model/app_model.h"
#include "runtime/async_call.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "services/in_memory_preferences.h"
#include "store/library_query_text.h"
#include "store_bench/bare_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <malloc.h>
#include <unistd.h>

namespace {

using namespace sorvalind;
using Clock = std::chrono::steady_clock;

class BenchPaths final : public AppPaths {
public:
    explicit BenchPaths(std::filesystem::path base) : base_(std::move(base)) {}
    std::filesystem::path applicationSupport() const override { return base_; }
    std::filesystem::path caches() const override { return base_ / "cache"; }

private:
    std::filesystem::path base_;
};

class NoPasteboard final : public Pasteboard {
public:
    void setString(const std::string&) override {}
};

class NoWorkspace final : public Workspace {
public:
    bool openFolder(const std::filesystem::path&) override { return false; }
    bool openURL(const std::string&) override { return false; }
};

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void line(const char* what, double value, double floor) {
    std::printf("  %-46s %9.1f ms  floor %9.1f ms  %5.2fx\n", what, value * 1e3, floor * 1e3, value / floor);
    std::fflush(stdout);
}

// The resident set once freed memory went back to the system, in bytes.
std::size_t residentAfterTrim() {
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::size_t kibibytes = 0;
            status >> kibibytes;
            return kibibytes * 1024;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

std::size_t growthSince(std::size_t before) {
    const std::size_t after = residentAfterTrim();
    return after > before ? after - before : 0;
}

void memoryLine(const char* what, std::size_t bytes, int songs) {
    const double held = static_cast<double>(bytes);
    std::printf("  %-46s %9.1f MiB  %6.0f bytes per song  %5.2fx of 1 KiB\n", what, held / (1 << 20),
                held / songs, held / songs / 1024);
    std::fflush(stdout);
}

// The first load's statements on a bare connection, one thread, rows walked.
double bareWalk(sorvalind::bench::BareStore& bare) {
    const auto start = Clock::now();
    for (const QueryText& statement :
         {songsQueryText("", SongSort::title, false, std::nullopt, std::nullopt, std::nullopt),
          albumsQueryText("", AlbumSort::artist, false, std::nullopt), artistsQueryText("")})
        bare.query(statement.sql, statement.bindings);
    bare.query("SELECT json FROM playlists ORDER BY name COLLATE NOCASE", {});
    bare.rows("SELECT DISTINCT name FROM song_genres");
    bare.rows("SELECT COUNT(*) FROM songs");
    return seconds(start);
}

// The song list's statement alone on a bare connection, rows walked.
double bareSongs(sorvalind::bench::BareStore& bare) {
    const QueryText statement =
        songsQueryText("", SongSort::title, false, std::nullopt, std::nullopt, std::nullopt);
    const auto start = Clock::now();
    bare.query(statement.sql, statement.bindings);
    return seconds(start);
}

} // namespace

int main(int argc, char** argv) {
    int songs = 100'000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--songs" && i + 1 < argc) {
            songs = std::max(100, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: app_model_bench [--songs N]\n");
            return 2;
        }
    }
    const auto base =
        std::filesystem::temp_directory_path() / ("sorvalind-model-bench-" + std::to_string(getpid()));
    const auto folder = AppModel::serverFolder(base, std::nullopt);
    std::filesystem::create_directories(folder);

    VirtualClock clock;
    ManualExecutor main{clock};
    WorkerPool workers{4, "bench"};
    InMemoryPreferences preferences;
    BenchPaths paths{base};
    NoPasteboard pasteboard;
    NoWorkspace workspace;

    // The store, filled as a synchronisation run fills it.
    {
        const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
        LibraryRepository repository((folder / "Library.sqlite").string(), main);
        callSync(workers, [&] {
            for (int page = 0; page < library.pageCount(); ++page)
                repository.ingest(library.page(page), "bench");
            repository.finishSync("bench");
        });
    }
    std::printf("app_model_bench: %d songs\n", songs);

    const AppEnvironment environment{
        .mainActor = main,
        .workers = workers,
        .wallClock = clock.wall(),
        .makeSession = {},
        .credentialLoader = [](const std::string&, bool) -> std::string { throw std::runtime_error("none"); },
        .preferences = preferences,
        .paths = paths,
        .makePathMonitor = {},
        .pasteboard = pasteboard,
        .workspace = workspace,
        .makePlayback = {},
        .makeArtwork = {},
    };
    const auto makeModel = [&] {
        std::shared_ptr<AppModel> model;
        AppModel::make(environment, std::nullopt,
                       [&](Outcome<std::shared_ptr<AppModel>> made) { model = made.get(); });
        main.runUntil([&] { return model != nullptr; }, std::chrono::minutes(5));
        model->setRoute("Songs");
        return model;
    };
    const auto awaitTask = [&](const TaskHandle& task) {
        main.runUntil([&] { return task.isFinished(); }, std::chrono::minutes(5));
    };
    const auto shutdown = [&](const std::shared_ptr<AppModel>& model) { awaitTask(model->shutdown()); };

    // The bare reads keep their lists alive past the clock, as the model keeps
    // what it publishes; each is timed before and after the model's load.
    const auto bareFirst = [](LibraryRepository& repository) {
        return callSync(repository.executor(), [&] {
            const auto start = Clock::now();
            [[maybe_unused]] const auto revisions = repository.revisions();
            [[maybe_unused]] const auto songs = repository.songs("", SongSort::title);
            [[maybe_unused]] const auto albums = repository.albums("", AlbumSort::artist);
            [[maybe_unused]] const auto artists = repository.artists("");
            [[maybe_unused]] const auto playlists = repository.playlists();
            [[maybe_unused]] const auto genres = repository.genres();
            [[maybe_unused]] const auto count = repository.songCount();
            return seconds(start);
        });
    };
    const auto bareEdit = [](LibraryRepository& repository) {
        return callSync(repository.executor(), [&] {
            const auto start = Clock::now();
            [[maybe_unused]] const auto revisions = repository.revisions();
            [[maybe_unused]] const auto songs = repository.songs("", SongSort::title);
            [[maybe_unused]] const auto artists = repository.artists("");
            [[maybe_unused]] const auto count = repository.songCount();
            return seconds(start);
        });
    };

    bench::BareStore bare((folder / "Library.sqlite").string());
    constexpr int rounds = 3;
    double firstLoad = 1e9, firstFloor = 1e9, editLoad = 1e9, editFloor = 1e9, walkFloor = 1e9;
    double songsRead = 1e9, songsFloor = 1e9;
    std::size_t heldByModel = 0, heldByList = 0;
    for (int round = 0; round < rounds; ++round) {
        auto model = makeModel();
        LibraryRepository& repository = model->repository();
        firstFloor = std::min(firstFloor, bareFirst(repository));
        walkFloor = std::min(walkFloor, bareWalk(bare));
        const std::size_t beforeLoad = residentAfterTrim();
        auto start = Clock::now();
        awaitTask(model->load());
        firstLoad = std::min(firstLoad, seconds(start));
        heldByModel = std::max(heldByModel, growthSince(beforeLoad));
        firstFloor = std::min(firstFloor, bareFirst(repository));
        walkFloor = std::min(walkFloor, bareWalk(bare));

        // The song list alone: timed as a page reload reads it, with the
        // memory of earlier reads at hand; then held once more, from a
        // trimmed heap, for the memory it takes.
        callSync(repository.executor(), [&] {
            const auto begin = Clock::now();
            const auto list = repository.songs("", SongSort::title);
            songsRead = std::min(songsRead, seconds(begin));
        });
        callSync(repository.executor(), [&] {
            const std::size_t before = residentAfterTrim();
            const auto list = repository.songs("", SongSort::title);
            heldByList = std::max(heldByList, growthSince(before));
        });
        songsFloor = std::min(songsFloor, bareSongs(bare));
        callSync(repository.executor(), [&] {
            const std::size_t before = residentAfterTrim();
            const auto begin = Clock::now();
            const auto list = repository.songs("", SongSort::title);
            songsRead = std::min(songsRead, seconds(begin));
            heldByList = std::max(heldByList, growthSince(before));
        });
        songsFloor = std::min(songsFloor, bareSongs(bare));
        if (model->songs().value()->size() != static_cast<std::size_t>(songs)) {
            std::fprintf(stderr, "the first load published %zu songs\n", model->songs().value()->size());
            return 1;
        }

        // One song edited: the song list, the artists and the count again.
        const Song edited = (*model->songs().value())[static_cast<std::size_t>(round) * 7];
        callSync(repository.executor(), [&] { repository.edit(edited, "rating", 1 + round % 5); });
        editFloor = std::min(editFloor, bareEdit(repository));
        const auto revision = model->songsRevision().value();
        start = Clock::now();
        awaitTask(model->load());
        editLoad = std::min(editLoad, seconds(start));
        editFloor = std::min(editFloor, bareEdit(repository));
        if (model->songsRevision().value() != revision + 1) {
            std::fprintf(stderr, "the load after an edit published no new song list\n");
            return 1;
        }
        shutdown(model);
    }
    std::printf("against the repository's own reads:\n");
    line("first load() on \"Songs\"", firstLoad, firstFloor);
    line("load() after one song edited", editLoad, editFloor);
    std::printf("against the bare statements with a simdjson walk, one thread:\n");
    line("first load() on \"Songs\"", firstLoad, walkFloor);
    line("songs(\"\", title) alone", songsRead, songsFloor);
    std::printf("memory held (resident set growth; sizeof(Song) is %zu bytes):\n", sizeof(Song));
    memoryLine("the model after its first load", heldByModel, songs);
    memoryLine("the song list alone", heldByList, songs);
    std::filesystem::remove_all(base);
    return 0;
}
