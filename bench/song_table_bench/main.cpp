// The song table at 100,000 songs of the generated library:
//  - preparing the rows for each of the twelve sorts, against a floor of the
//    least any such sort does (collator keys of the distinct text values and
//    a stable sort of indices by those keys, the numbers and the index);
//  - how soon a stopped preparation ends;
//  - the GUI thread's time from prepared rows to a painted viewport, and
//    from one favourite edit to its repaint, against the same at 100 songs,
//    with how often the table's model was asked for data;
//  - the heap the rows take per song, above the list itself.
// Figures are printed with their ratios; nothing here asserts a time.

#include "best_time.h"
#include "song_table_bench/model_table.h"

#include "songs/song_list_table.h"
#include "songs/song_table_data.h"
#include "songs/song_table_model.h"
#include "songs/song_table_sort.h"

#include "kit/gui_executor.h"
#include "loopback/generated_library.h"
#include "platform/text/collator.h"
#include "runtime/cancellation.h"
#include "runtime/thread_executor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <unordered_map>

namespace sorvalind {
namespace {

using Clock = std::chrono::steady_clock;

PreparedSongRows::SongList makeSongs(int count) {
    loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(count));
    auto songs = std::make_shared<std::vector<Song>>();
    songs->reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        songs->push_back(library.song(i));
    return songs;
}

std::string textOf(const Song& song, SongSortProperty property, const std::string& artist) {
    switch (property) {
    case SongSortProperty::title:
        return song.title;
    case SongSortProperty::artist:
        return artist;
    case SongSortProperty::album:
        return song.album.value_or("");
    case SongSortProperty::genre: {
        if (song.genres && !song.genres->empty()) {
            std::string joined;
            for (const auto& genre : *song.genres)
                joined += (joined.empty() ? "" : ", ") + genre.name;
            return joined;
        }
        return song.genre.value_or("");
    }
    case SongSortProperty::quality:
        return song.suffix.value_or("");
    case SongSortProperty::created:
        return song.created.value_or("");
    case SongSortProperty::played:
        return song.played.value_or("");
    default:
        return {};
    }
}

double numberOf(const Song& song, SongSortProperty property) {
    switch (property) {
    case SongSortProperty::duration:
        return song.duration.value_or(0);
    case SongSortProperty::rating:
        return static_cast<double>(song.userRating.value_or(0));
    case SongSortProperty::liked:
        return song.starred ? 1 : 0;
    case SongSortProperty::disc:
        return static_cast<double>(song.discNumber.value_or(1));
    case SongSortProperty::track:
        return static_cast<double>(song.track.value_or(0));
    case SongSortProperty::playCount:
        return static_cast<double>(song.playCount.value_or(0));
    default:
        return 0;
    }
}

// The floor: keys of the distinct texts, then a stable sort of indices.
std::vector<std::uint32_t> floorSort(const std::vector<Song>& songs, const std::vector<std::string>& artists,
                                     const SongSortOrder& order, const text::Collator& collator) {
    const std::size_t n = songs.size();
    std::vector<std::vector<std::string>> textKeys(order.size());
    std::vector<std::vector<double>> numbers(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const SongSortProperty property = order[k].property;
        if (nativeKey(property) && property != SongSortProperty::duration &&
            property != SongSortProperty::rating && property != SongSortProperty::liked &&
            property != SongSortProperty::disc && property != SongSortProperty::track &&
            property != SongSortProperty::playCount) {
            std::unordered_map<std::string, std::string> keyOf;
            textKeys[k].resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                std::string value = textOf(songs[i], property, artists[i]);
                auto found = keyOf.find(value);
                if (found == keyOf.end()) found = keyOf.emplace(value, collator.sortKey(value)).first;
                textKeys[k][i] = found->second;
            }
        } else {
            numbers[k].resize(n);
            for (std::size_t i = 0; i < n; ++i)
                numbers[k][i] = numberOf(songs[i], property);
        }
    }
    std::vector<std::uint32_t> indices(n);
    std::iota(indices.begin(), indices.end(), 0u);
    std::stable_sort(indices.begin(), indices.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (!textKeys[k].empty()) {
                const int c = textKeys[k][a].compare(textKeys[k][b]);
                if (c != 0) return order[k].reverse ? c > 0 : c < 0;
            } else if (numbers[k][a] != numbers[k][b]) {
                return order[k].reverse ? numbers[k][a] > numbers[k][b] : numbers[k][a] < numbers[k][b];
            }
        }
        return a < b;
    });
    return indices;
}

void preparationFigures(const PreparedSongRows::SongList& songs) {
    std::printf("Preparing %zu rows per sort (best of 3, seconds; floor = collator keys of distinct texts + "
                "stable sort of indices):\n",
                songs->size());
    std::vector<std::string> artists;
    artists.reserve(songs->size());
    for (const Song& song : *songs)
        artists.push_back(song.artistNames());
    const text::Collator collator = text::Collator::forUser();
    // What every row must hold whatever the sort: its artist line.
    const double artistLines = bench::bestSecondsPerCall(3, 1, [&] {
        std::vector<std::string> lines;
        lines.reserve(songs->size());
        for (const Song& song : *songs)
            lines.push_back(song.artistNames());
    });
    std::printf("  (the artist line of every song alone takes %.4f)\n", artistLines);
    double worst = 0;
    double worstWithLines = 0;
    for (SongTableSort sort : allSongTableSorts) {
        const SongSortOrder order = comparators(sort);
        const double made =
            bench::bestSecondsPerCall(3, 1, [&] { PreparedSongRows::make(songs, order, {}); });
        const double floor =
            bench::bestSecondsPerCall(3, 1, [&] { floorSort(*songs, artists, order, collator); });
        const double ratio = made / floor;
        const double withLines = made / (floor + artistLines);
        worst = std::max(worst, ratio);
        worstWithLines = std::max(worstWithLines, withLines);
        std::printf("  %-16s make %.4f  floor %.4f  ratio %.2f  ratio with artist lines %.2f\n",
                    std::string(label(sort)).c_str(), made, floor, ratio, withLines);
    }
    std::printf("  worst ratio %.2f, with artist lines %.2f (goal 1.5)\n", worst, worstWithLines);
}

void cancellationFigure(const PreparedSongRows::SongList& songs) {
    std::stop_source stop;
    Clock::time_point stopped;
    Clock::time_point ended;
    bool cancelled = false;
    std::thread worker([&] {
        try {
            PreparedSongRows::make(songs, comparators(SongTableSort::artist), stop.get_token());
        } catch (const CancellationError&) {
            cancelled = true;
        }
        ended = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stopped = Clock::now();
    stop.request_stop();
    worker.join();
    std::printf("A stopped preparation ended %.2f ms after the stop (%s)\n",
                std::chrono::duration<double, std::milli>(ended - stopped).count(),
                cancelled ? "cancelled" : "it had finished");
}

void memoryFigure(const PreparedSongRows::SongList& songs) {
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    {
        PreparedSongRows rows = PreparedSongRows::make(songs, comparators(SongTableSort::title), {});
        const std::size_t after = mallinfo2().uordblks;
        std::printf("Heap of the prepared rows above the list: %.1f bytes per song (goal 200)\n",
                    static_cast<double>(after - before) / static_cast<double>(rows.size()));
    }
}

struct Table {
    WorkerPool workers{2, "song-table-bench"};
    SongTableData data{workers, guiExecutor()};
    SongTableModel model{data};
    SongListTable view;

    explicit Table(const PreparedSongRows::SongList& songs) {
        view.setModel(&model);
        view.resize(1100, 700);
        view.show();
        QApplication::processEvents();
        bool done = false;
        data.load(songs, comparators(SongTableSort::title), [&](bool) { done = true; });
        while (!done)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // Showing freshly prepared rows: the reset and one painted viewport.
    double showRows() {
        QElapsedTimer timer;
        timer.start();
        model.rowsReplaced();
        view.viewport()->repaint();
        return static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }

    // One favourite edit of the song in the middle of the viewport.
    std::pair<double, int> editOne() {
        const SongTableRow& row = data.prepared().rows()[5];
        Song edited = *row.song;
        edited.starred = edited.starred ? std::nullopt : std::optional<std::string>("2025-01-01T00:00:00Z");
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QElapsedTimer timer;
        timer.start();
        data.update(edited);
        if (data.changedRows()) model.rowsChanged(*data.changedRows());
        view.viewport()->repaint();
        return {static_cast<double>(timer.nsecsElapsed()) / 1e9, static_cast<int>(changed.count())};
    }
};

void guiFigures(const PreparedSongRows::SongList& large, const PreparedSongRows::SongList& small) {
    Table big(large);
    Table little(small);
    double bigShow = 1e9;
    double littleShow = 1e9;
    for (int i = 0; i < 5; ++i) {
        bigShow = std::min(bigShow, big.showRows());
        littleShow = std::min(littleShow, little.showRows());
    }
    const std::size_t callsBefore = big.model.dataCalls();
    big.showRows();
    const std::size_t calls = big.model.dataCalls() - callsBefore;
    const int visibleRows = big.view.viewport()->height() / 24 + 1;
    std::printf(
        "Prepared rows to painted viewport: %zu rows %.2f ms, %zu rows %.2f ms, ratio %.2f (goal 2)\n",
        large->size(), bigShow * 1e3, small->size(), littleShow * 1e3, bigShow / littleShow);
    std::printf("  data() asked %zu times for one paint (%d visible rows x 8 columns = %d cells)\n", calls,
                visibleRows, visibleRows * 8);

    double bigEdit = 1e9;
    double littleEdit = 1e9;
    int runs = 0;
    for (int i = 0; i < 5; ++i) {
        const auto [seconds, count] = big.editOne();
        bigEdit = std::min(bigEdit, seconds);
        runs = count;
        littleEdit = std::min(littleEdit, little.editOne().first);
    }
    std::printf("Favourite edit to repaint: %zu rows %.3f ms, %zu rows %.3f ms, ratio %.2f (goal 2); "
                "dataChanged runs %d\n",
                large->size(), bigEdit * 1e3, small->size(), littleEdit * 1e3, bigEdit / littleEdit, runs);
}

} // namespace
} // namespace sorvalind

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    sorvalind::guiExecutor();
    const int count = argc > 1 ? std::atoi(argv[1]) : 100'000;
    const auto songs = sorvalind::makeSongs(count);
    const auto small = sorvalind::makeSongs(100);
    sorvalind::preparationFigures(songs);
    sorvalind::cancellationFigure(songs);
    sorvalind::memoryFigure(songs);
    sorvalind::guiFigures(songs, small);
#ifdef SORVALIND_BENCH_MODEL_TABLE
    sorvalind::bench::modelTableFigures(count);
#endif
    return 0;
}
