// A drop of many song-table rows on a sidebar playlist, with a large
// generated library loaded: reading the dropped payload and finding each
// row's song among the loaded songs (up to the identifiers the model's add
// takes), against a bare parse of the same JSON
// and hash look-ups of its identifiers, timed in the same run.
//
// Usage: playlist_drop_bench [--songs N] [--rows N]   (defaults 100000 and
// 10000). Prints the figure and its ratio; nothing here asserts a time.

#include "library_window/playlist_drop.h"

#include "best_time.h"
#include "kit/gui_executor.h"
#include "loopback/generated_library.h"
#include "model/app_model.h"
#include "platform/qt_main_actor.h"
#include "runtime/async_call.h"
#include "runtime/thread_executor.h"
#include "services/in_memory_preferences.h"
#include "songs/song_drag.h"

#include <QApplication>
#include <QMimeData>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>

#include <unistd.h>

namespace {

using namespace sorvalind;

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

template <class Done> void spin(Done done) {
    while (!done())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

int main(int argc, char** argv) {
    int songs = 100'000, rows = 10'000;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--songs" && i + 1 < argc) {
            songs = std::max(100, std::atoi(argv[++i]));
        } else if (flag == "--rows" && i + 1 < argc) {
            rows = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: playlist_drop_bench [--songs N] [--rows N]\n");
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    guiExecutor();

    const auto base = std::filesystem::temp_directory_path() /
                      ("sorvalind-playlist-drop-bench-" + std::to_string(getpid()));
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
    model->setRoute("Songs");
    const TaskHandle load = model->load();
    spin([&] { return load.isFinished(); });
    const std::vector<Song>& loaded = *model->songs().value();
    std::printf("playlist_drop_bench: %zu songs loaded, %d rows dropped\n", loaded.size(), rows);
    if (loaded.empty()) return 1;

    // Rows spread over the whole list, as a sorted table's selection is.
    std::vector<SongDrag> drags;
    drags.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const std::size_t at = static_cast<std::size_t>(row) * 7919 % loaded.size();
        drags.push_back({loaded[at].id, static_cast<std::int64_t>(at)});
    }
    const std::string payload = SongDrag::encodeList(drags);
    QMimeData data;
    data.setData(QString::fromLatin1(SongDrag::listMimeType), QByteArray::fromStdString(payload));

    std::size_t found = 0;
    // What the window does before handing the add to the model: the found
    // songs' identifiers.
    const double drop = bench::bestSecondsPerCall(7, 1, [&] {
        const std::vector<const Song*> dropped =
            droppedSongs(data, [&model](const std::string& id) { return model->song(id); });
        std::vector<std::string> ids;
        ids.reserve(dropped.size());
        for (const Song* song : dropped)
            ids.push_back(song->id);
        found = ids.size();
    });

    std::unordered_map<std::string, std::size_t> index;
    index.reserve(loaded.size());
    for (std::size_t i = 0; i < loaded.size(); ++i)
        index.emplace(loaded[i].id, i);
    std::size_t bareFound = 0;
    const double bare = bench::bestSecondsPerCall(7, 1, [&] {
        const nlohmann::json json = nlohmann::json::parse(payload);
        std::size_t hits = 0;
        for (const nlohmann::json& element : json)
            if (index.find(element.at("songID").get_ref<const std::string&>()) != index.end()) ++hits;
        bareFound = hits;
    });

    std::printf("Drop of %d rows read and matched: %.2f ms (%zu songs found)\n", rows, drop * 1e3, found);
    std::printf("Floor, a bare JSON parse and hash look-ups: %.2f ms (%zu found), %zu bytes\n", bare * 1e3,
                bareFound, payload.size());
    std::printf("Ratio: %.2fx (goal <= 1.5x)\n", drop / bare);

    const TaskHandle down = model->shutdown();
    spin([&] { return down.isFinished(); });
    model.reset();
    std::filesystem::remove_all(base);
    return 0;
}
