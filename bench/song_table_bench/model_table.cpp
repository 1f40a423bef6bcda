// The song table of the "Songs" page over the application model with the
// real playback controller (on a silent output), its store filled as a
// synchronisation fills it. GUI-thread figures:
//  - Ctrl+A on every row, then a sort change: the table's update pass that
//    restores the selection in the new order, against one `select` of one
//    range over every row (the least a restore can ask of Qt);
//  - a double click that plays a row: the click's handling up to the
//    controller's return, and the main-loop work it leaves queued.
// Figures are printed with their ratios; nothing here asserts a time.

#include "song_table_bench/model_table.h"

#include "songs/song_list_table.h"
#include "songs/song_table_model.h"
#include "songs/song_table_view.h"

#include "audio/null_output.h"
#include "http/network_security.h"
#include "kit/gui_executor.h"
#include "loopback/generated_library.h"
#include "model/app_model.h"
#include "model/controller_playback.h"
#include "playback/playback_controller.h"
#include "runtime/async_call.h"
#include "runtime/thread_executor.h"
#include "services/in_memory_preferences.h"
#include "support/recording_now_playing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include <unistd.h>

namespace sorvalind::bench {
namespace {

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

bool spinUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(300)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

double milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The table's update pass after a new preparation: from the model's reset
// to the view's `updated`.
double sortChangeUpdate(SongTableView& view, SongTableSort sort) {
    QElapsedTimer timer;
    double pass = -1;
    const auto reset = QObject::connect(&view.tableModel(), &QAbstractItemModel::modelAboutToBeReset,
                                        [&] { timer.start(); });
    const auto updated = QObject::connect(&view, &SongTableView::updated, [&] {
        if (timer.isValid() && pass < 0) pass = milliseconds(timer);
    });
    view.setSortOrder(comparators(sort));
    spinUntil([&] { return pass >= 0 && view.preparedIsCurrent(); });
    QObject::disconnect(reset);
    QObject::disconnect(updated);
    return pass;
}

} // namespace

void modelTableFigures(int count) {
    const auto base =
        std::filesystem::temp_directory_path() / ("sorvalind-song-table-bench-" + std::to_string(getpid()));
    const auto folder = AppModel::serverFolder(base, std::nullopt);
    std::filesystem::create_directories(folder);
    WorkerPool workers{2, "song-table-model"};
    InMemoryPreferences preferences;
    BenchPaths paths{base};
    NoPasteboard pasteboard;
    NoWorkspace workspace;
    RecordingNowPlayingCenter nowPlaying;
    RecordingRemoteCommandCenter commands;
    {
        const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(count));
        LibraryRepository repository((folder / "Library.sqlite").string(), guiExecutor());
        callSync(workers, [&] {
            for (int page = 0; page < library.pageCount(); ++page)
                repository.ingest(library.page(page), "bench");
            repository.finishSync("bench");
        });
    }
    const AppEnvironment environment{
        .mainActor = guiExecutor(),
        .workers = workers,
        .wallClock = systemWallClock(),
        .makeSession = [] { return NetworkSecurity::session(); },
        .credentialLoader = [](const std::string&, bool) -> std::string { throw std::runtime_error("none"); },
        .preferences = preferences,
        .paths = paths,
        .makePathMonitor = {},
        .pasteboard = pasteboard,
        .workspace = workspace,
        .nowPlaying = &nowPlaying,
        .remoteCommands = &commands,
        .makePlayback = makeControllerPlaybackFactory({
            .mainActor = guiExecutor(),
            .workers = workers,
            .makeOutput = [] { return std::make_unique<NullOutput>(guiExecutor()); },
            .makeSession = [] { return NetworkSecurity::session(); },
            .nowPlaying = nowPlaying,
            .remoteCommands = commands,
        }),
        .makeArtwork = {},
    };
    std::shared_ptr<AppModel> model;
    AppModel::make(environment, std::nullopt,
                   [&](Outcome<std::shared_ptr<AppModel>> made) { model = made.get(); });
    spinUntil([&] { return model != nullptr; });
    model->setRoute("Songs");
    const TaskHandle loaded = model->load();
    spinUntil(
        [&] { return loaded.isFinished() && model->songs().value() && !model->songs().value()->empty(); });
    {
        SongTableView view(model, workers);
        view.resize(1100, 700);
        view.show();
        spinUntil([&] { return view.preparedIsCurrent(); });
        QApplication::processEvents();
        SongListTable& table = view.table();
        const std::size_t rows = view.data().prepared().size();
        std::printf("Over the application model, %zu songs:\n", rows);

        // Ctrl+A, then sort changes that restore the whole selection.
        table.setFocus();
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&table, Qt::Key_A, Qt::ControlModifier);
        const double selectAll = milliseconds(timer);
        std::printf("  Ctrl+A: %.1f ms (%zu selected)\n", selectAll, view.selection().size());
        double restore = 1e9;
        for (SongTableSort sort : {SongTableSort::artist, SongTableSort::title, SongTableSort::album})
            restore = std::min(restore, sortChangeUpdate(view, sort));
        // A selection model of its own, so no view follows its changes.
        QItemSelectionModel selection(&view.tableModel());
        const QItemSelection everything(view.tableModel().index(0, 0),
                                        view.tableModel().index(static_cast<int>(rows) - 1, 7));
        double floor = 1e9;
        for (int i = 0; i < 3; ++i) {
            selection.clearSelection();
            QElapsedTimer once;
            once.start();
            selection.select(everything, QItemSelectionModel::ClearAndSelect);
            floor = std::min(floor, milliseconds(once));
        }
        std::printf(
            "  sort change after Ctrl+A, update pass with the selection restored: %.2f ms, one select "
            "of one range %.1f us, ratio %.0f (%zu selected after)\n",
            restore, floor * 1e3, restore / floor, view.selection().size());

        // A double click that plays a row in the middle of the viewport.
        table.clearSelection();
        QApplication::processEvents();
        PlaybackController& controller = *model->playback().controller();
        double click = 1e9;
        double queued = 1e9;
        for (int round = 0; round < 3; ++round) {
            const int row = 5 + round;
            const QPoint at =
                table.visualRect(view.tableModel().index(row, static_cast<int>(SongColumn::album))).center();
            QElapsedTimer played;
            played.start();
            // As the desktop sends it: press, release, double click, release.
            QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, at);
            click = std::min(click, milliseconds(played));
            QElapsedTimer after;
            after.start();
            QApplication::processEvents();
            queued = std::min(queued, milliseconds(after));
            const auto& current = controller.queue().value().current;
            if (!current ||
                current->song.id != view.data().prepared().rows()[static_cast<std::size_t>(row)].song->id)
                std::printf("  (the double click did not play row %d)\n", row);
            spinUntil([&] { return controller.loading().isFinished(); });
        }
        const auto& queue = controller.queue().value();
        std::printf(
            "  double-click play: %.1f ms to the controller's return, then %.1f ms of queued main-loop "
            "work (queue of %zu)\n",
            click, queued, queue.history.size() + queue.context.size() + (queue.current ? 1 : 0));
    }
    const TaskHandle down = model->shutdown();
    spinUntil([&] { return down.isFinished(); });
    model.reset();
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
}

} // namespace sorvalind::bench
