// The "Albums" page from its creation to its first painted grid (the first
// paint of the grid's viewport with tiles in it, as the screen gets it), over the
// loaded model of a large generated store, against the store's own read of
// every album in the grid's default order, timed in the same run. The page
// reads that same list on the store's queue, keeps the given albums and
// paints the visible tiles; the ratio is the cost of everything above the
// read.
//
// Usage: album_grid_bench [--songs N]   (default 100000; albums scale with
// the songs). Prints the figure and its ratio; nothing here asserts a time.

#include "library_window/album_grid.h"
#include "library_window/album_grid_view.h"
#include "library_window/albums_page.h"

#include "kit/gui_executor.h"
#include "loopback/generated_library.h"
#include "model/app_model.h"
#include "platform/qt_main_actor.h"
#include "runtime/async_call.h"
#include "runtime/thread_executor.h"
#include "services/in_memory_preferences.h"

#include <QApplication>
#include <QEvent>

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

// Notes the grid's first paint with tiles in it.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(const AlbumGrid& grid) : grid_(grid) {}
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && grid_.gridModel().rowCount() > 0) painted = true;
        return QObject::eventFilter(watched, event);
    }

private:
    const AlbumGrid& grid_;
};

template <class Done> void spin(Done done) {
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv) {
    int songs = 100'000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--songs" && i + 1 < argc) {
            songs = std::max(100, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: album_grid_bench [--songs N]\n");
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    guiExecutor();

    const auto base =
        std::filesystem::temp_directory_path() / ("sorvalind-album-grid-bench-" + std::to_string(getpid()));
    const auto folder = AppModel::serverFolder(base, std::nullopt);
    std::filesystem::create_directories(folder);

    QtMainActor main;
    WorkerPool workers{4, "bench"};
    InMemoryPreferences preferences;
    BenchPaths paths{base};
    NoPasteboard pasteboard;
    NoWorkspace workspace;
    {
        const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songs));
        LibraryRepository repository((folder / "Library.sqlite").string(), main);
        callSync(workers, [&] {
            for (int page = 0; page < library.pageCount(); ++page)
                repository.ingest(library.page(page), "bench");
            repository.finishSync("bench");
        });
    }

    const AppEnvironment environment{
        .mainActor = main,
        .workers = workers,
        .wallClock = systemWallClock(),
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
    std::shared_ptr<AppModel> model;
    AppModel::make(environment, std::nullopt,
                   [&](Outcome<std::shared_ptr<AppModel>> made) { model = made.get(); });
    spin([&] { return model != nullptr; });
    model->setRoute("Albums");
    const TaskHandle load = model->load();
    spin([&] { return load.isFinished(); });
    const std::size_t albums = model->albums().value()->size();
    std::printf("album_grid_bench: %d songs, %zu albums\n", songs, albums);

    LibraryRepository& repository = model->repository();
    const auto bare = [&] {
        return callSync(repository.executor(), [&] {
            const auto start = Clock::now();
            [[maybe_unused]] const auto list = repository.albums("", AlbumSort::artist);
            return seconds(start);
        });
    };

    const int rounds =
        std::getenv("ALBUM_GRID_BENCH_ROUNDS") ? std::atoi(std::getenv("ALBUM_GRID_BENCH_ROUNDS")) : 5;
    double page = 1e9, floor = 1e9;
    for (int round = 0; round < rounds; ++round) {
        floor = std::min(floor, bare());
        const auto start = Clock::now();
        {
            AlbumsPage shown(model, PageChoice{PageKind::albums, "Albums", false}, QStringLiteral("Albums"));
            FirstPaint paint(shown.grid());
            shown.grid().view().viewport()->installEventFilter(&paint);
            shown.resize(1180, 780);
            shown.show();
            spin([&] { return shown.grid().isReady() && paint.painted; });
            page = std::min(page, seconds(start));
        }
        QApplication::processEvents();
        floor = std::min(floor, bare());
    }
    std::printf("Route \"Albums\" to first painted grid: %.1f ms (best of %d)\n", page * 1e3, rounds);
    std::printf("Floor, the store's albums(\"\", artist): %.1f ms\n", floor * 1e3);
    std::printf("Ratio: %.2fx (goal <= 1.5x)\n", page / floor);

    const TaskHandle down = model->shutdown();
    spin([&] { return down.isFinished(); });
    model.reset();
    std::filesystem::remove_all(base);
    return 0;
}
