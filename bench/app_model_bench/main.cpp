// Loading the library pages through the application model, against the bare
// repository reads those loads perform, in the same run: the first load on
// the "Songs" route of a large store (every list), and a load after one song
// edited through the repository (the song list, the artists and the count).
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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

    constexpr int rounds = 3;
    double firstLoad = 1e9, firstFloor = 1e9, editLoad = 1e9, editFloor = 1e9;
    for (int round = 0; round < rounds; ++round) {
        auto model = makeModel();
        LibraryRepository& repository = model->repository();
        firstFloor = std::min(firstFloor, bareFirst(repository));
        auto start = Clock::now();
        awaitTask(model->load());
        firstLoad = std::min(firstLoad, seconds(start));
        firstFloor = std::min(firstFloor, bareFirst(repository));
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
    line("first load() on \"Songs\"", firstLoad, firstFloor);
    line("load() after one song edited", editLoad, editFloor);
    std::filesystem::remove_all(base);
    return 0;
}
