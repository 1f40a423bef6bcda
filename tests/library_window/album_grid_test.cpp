// The album grid over a real store: the store's order and filter kept to
// the given albums, stale and failed queries, Ctrl-click selection and its
// pruning, downloading a selection, the tile menu, and screenshots.

#include "library_window_fixture.h"

#include "library_window/album_grid.h"
#include "library_window/album_grid_view.h"
#include "library_window/albums_page.h"
#include "library_window/page_host.h"

#include "downloads/download_manager.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QTest>

#include <future>

namespace sorvalind::test {
namespace {

class AlbumGridTest : public LibraryWindowFixture {
protected:
    AlbumGrid& albumsGrid() {
        model->setRoute(std::string("Albums"));
        settle();
        auto* page = dynamic_cast<AlbumsPage*>(window->pageHost()->page());
        EXPECT_NE(page, nullptr);
        AlbumGrid& grid = page->grid();
        EXPECT_TRUE(waitUntil([&] { return grid.isReady() && !grid.displayed().empty(); }));
        return grid;
    }

    // Lets every read queued on the store finish and its outcome arrive.
    void drainStore() {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> finished = done->get_future();
        model->repository().executor().post([done] { done->set_value(); });
        ASSERT_TRUE(waitUntil(
            [&] { return finished.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        settle();
    }

    static std::vector<std::string> ids(const std::vector<Album>& albums) {
        std::vector<std::string> result;
        for (const Album& album : albums)
            result.push_back(album.id);
        return result;
    }

    // By value: the grid's list changes under a reference once the edit lands.
    void star(const Album album) {
        model->favorite(album);
        ASSERT_TRUE(waitUntil([&] {
            const auto favorites = stored(AlbumSort::artist, true);
            return std::ranges::any_of(favorites, [&](const Album& a) { return a.id == album.id; });
        }));
    }

    void click(AlbumGrid& grid, int row, Qt::KeyboardModifiers modifiers) {
        AlbumGridView& view = grid.view();
        const QPoint point = view.visualRect(grid.gridModel().index(row)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, point);
        settle();
    }

    template <class Read> auto onStore(Read read) {
        LibraryRepository& repository = model->repository();
        using R = decltype(read(repository));
        auto result = std::make_shared<std::promise<R>>();
        auto future = result->get_future();
        repository.executor().post([&repository, result, read] {
            try {
                result->set_value(read(repository));
            } catch (...) {
                result->set_exception(std::current_exception());
            }
        });
        EXPECT_TRUE(
            waitUntil([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        return future.get();
    }

    std::vector<Song> storedSongs(const std::string& albumID) {
        return onStore(
            [albumID](LibraryRepository& r) { return r.songs("", SongSort::title, false, albumID); });
    }

    std::vector<Album> stored(AlbumSort sort, bool favorite = false) {
        return onStore([sort, favorite](LibraryRepository& r) { return r.albums("", sort, favorite); });
    }
};

TEST_F(AlbumGridTest, ShowsTheGivenAlbumsInTheStoresOrderAndFilter) {
    show();
    AlbumGrid& grid = albumsGrid();
    EXPECT_EQ(ids(grid.displayed()), ids(stored(AlbumSort::artist))) << "the default order is by artist";
    EXPECT_EQ(grid.countLabel().text(), QStringLiteral("4 albums"));
    EXPECT_TRUE(grid.emptyPanel().isHidden());

    // Only the given albums, in the store's order.
    const auto all = stored(AlbumSort::year);
    auto given = std::make_shared<std::vector<Album>>(std::vector<Album>{all[3], all[0], all[2]});
    grid.setAlbums(given);
    grid.setSort(AlbumSort::year);
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    EXPECT_EQ(ids(grid.displayed()), (std::vector<std::string>{all[0].id, all[2].id, all[3].id}));

    star(all[2]);
    grid.setFavoritesOnly(true);
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    EXPECT_EQ(ids(grid.displayed()), std::vector<std::string>{all[2].id});
    EXPECT_EQ(grid.countLabel().text(), QStringLiteral("1 albums"));
}

TEST_F(AlbumGridTest, AStaleResultIsDroppedAndAFailureKeepsTheListAndReports) {
    show();
    AlbumGrid& grid = albumsGrid();
    const auto byArtist = ids(grid.displayed());

    // The filter goes on and off before its read ends: its result never shows.
    star(grid.displayed().front());
    // The edit reloads the model's albums, which the grid is given anew.
    waitUntil([&] { return false; }, std::chrono::milliseconds(200));
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    grid.setFavoritesOnly(true);
    grid.setFavoritesOnly(false);
    drainStore();
    EXPECT_TRUE(grid.isReady());
    EXPECT_EQ(ids(grid.displayed()), byArtist);

    // Two sorts in a row: the last one wins, whatever order the reads end in.
    grid.setSort(AlbumSort::title);
    grid.setSort(AlbumSort::year);
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    drainStore();
    EXPECT_EQ(ids(grid.displayed()), ids(stored(AlbumSort::year)));
    const auto byYear = ids(grid.displayed());

    // A closed store: the error shows, the list stays.
    LibraryRepository& repository = model->repository();
    repository.executor().post([&repository] { repository.close(); });
    grid.setSort(AlbumSort::title);
    ASSERT_TRUE(waitUntil([&] { return model->error().value().has_value(); }));
    settle();
    EXPECT_EQ(ids(grid.displayed()), byYear);
    EXPECT_FALSE(grid.isReady());
}

TEST_F(AlbumGridTest, CtrlClickSelectsAndAPlainClickOpensTheAlbum) {
    show();
    AlbumGrid& grid = albumsGrid();
    const std::string first = grid.displayed()[0].id;
    const std::string second = grid.displayed()[1].id;

    click(grid, 0, Qt::ControlModifier);
    click(grid, 1, Qt::ControlModifier);
    EXPECT_EQ(grid.selection(), (std::set<std::string>{first, second}));
    EXPECT_FALSE(grid.selectionBar().isHidden());
    EXPECT_TRUE(grid.gridModel().index(0).data(AlbumGridModel::selectedRole).toBool());
    click(grid, 0, Qt::ControlModifier);
    EXPECT_EQ(grid.selection(), std::set<std::string>{second});
    EXPECT_EQ(model->route().value(), std::optional<std::string>("Albums")) << "Ctrl-click never navigates";
    EXPECT_EQ(grid.gridModel().index(0).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Open album · Ctrl-click to select multiple"));

    grid.clearSelection();
    EXPECT_TRUE(grid.selectionBar().isHidden());

    model->setQuery("Album");
    settle();
    model->setQuery("");
    model->setRoute(std::string("Albums"));
    settle();
    AlbumGrid& again = albumsGrid();
    click(again, 1, Qt::NoModifier);
    EXPECT_EQ(model->query().value(), "");
    EXPECT_EQ(model->route().value(), std::optional<std::string>("album:" + second));
}

TEST_F(AlbumGridTest, TheSelectionKeepsOnlyGivenAlbumsAndSurvivesTheFilter) {
    show();
    AlbumGrid& grid = albumsGrid();
    const auto all = grid.displayed();
    grid.clickTile(0, Qt::ControlModifier);
    grid.clickTile(1, Qt::ControlModifier);
    grid.clickTile(2, Qt::ControlModifier);

    // Hidden by the filter: still selected.
    star(all[0]);
    grid.setFavoritesOnly(true);
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    EXPECT_EQ(grid.displayed().size(), 1u);
    EXPECT_EQ(grid.selection().size(), 3u);

    // No longer given: dropped.
    grid.setAlbums(std::make_shared<std::vector<Album>>(std::vector<Album>{all[0], all[2], all[3]}));
    EXPECT_EQ(grid.selection(), (std::set<std::string>{all[0].id, all[2].id}));
}

TEST_F(AlbumGridTest, DownloadingTheSelectionQueuesAllInTheGivenOrderOrNothing) {
    show();
    AlbumGrid& grid = albumsGrid();
    const auto byArtist = grid.displayed();
    // The caller's order differs from the display order.
    const std::vector<Album> given(byArtist.rbegin(), byArtist.rend());
    grid.setAlbums(std::make_shared<std::vector<Album>>(given));
    grid.setSort(AlbumSort::title);
    ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
    for (int row = 0; row < grid.gridModel().rowCount(); ++row) {
        const std::string& id = grid.gridModel().album(row)->id;
        if (id == given.front().id || id == given.back().id) grid.clickTile(row, Qt::ControlModifier);
    }
    std::vector<std::string> expected;
    for (const Album* album : {&given.front(), &given.back()})
        for (const Song& song : storedSongs(album->id))
            expected.push_back(song.id);
    ASSERT_EQ(expected.size(), 6u);

    std::vector<std::vector<std::string>> seen;
    Subscription watching = model->downloads().jobs().subscribe([&](const std::vector<DownloadJob>& jobs) {
        if (jobs.empty()) return;
        std::vector<std::string> songs;
        for (const DownloadJob& job : jobs)
            songs.push_back(job.song.id);
        seen.push_back(songs);
    });

    // From the menu of a tile outside the selection: the selection goes.
    int outside = 0;
    while (grid.selection().contains(grid.gridModel().album(outside)->id))
        ++outside;
    QMenu* menu = grid.tileMenu(*grid.gridModel().album(outside), &grid);
    QAction* quality = nullptr;
    for (QAction* action : menu->actions())
        if (action->menu() && action->text() == QStringLiteral("Download"))
            quality = action->menu()->actions().value(2);
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(quality->text(), QStringLiteral("MP3 · 256 kbps"));
    quality->trigger();
    ASSERT_TRUE(waitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen.front(), expected);
    for (const DownloadJob& job : model->downloads().jobs().value())
        EXPECT_EQ(job.quality, DownloadQuality::mp3_256);
    delete menu;

    // A failed read queues nothing and reports.
    model->downloads().cancelAll();
    settle();
    seen.clear();
    LibraryRepository& repository = model->repository();
    repository.executor().post([&repository] { repository.close(); });
    grid.downloadSelection(DownloadQuality::original);
    ASSERT_TRUE(waitUntil([&] { return model->error().value().has_value(); }));
    settle();
    EXPECT_TRUE(seen.empty());
}

TEST_F(AlbumGridTest, PlayFromTheTileMenuReportsAFailedRead) {
    show();
    AlbumGrid& grid = albumsGrid();
    LibraryRepository& repository = model->repository();
    repository.executor().post([&repository] { repository.close(); });
    QMenu* menu = grid.tileMenu(grid.displayed().front(), &grid);
    QStringList titles;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Add to Favorites"), QStringLiteral("Rating"),
                                   QStringLiteral("Play"), QStringLiteral("Download")}));
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("Play")) action->trigger();
    EXPECT_TRUE(waitUntil([&] { return model->error().value().has_value(); }));
    delete menu;
}

TEST_F(AlbumGridTest, TheGridModelPassesTheItemModelChecks) {
    AlbumGridModel gridModel;
    QAbstractItemModelTester tester(&gridModel, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<Album> albums{Album::make("a", "One", "X"), Album::make("b", "Two"),
                              Album::make("c", "Three")};
    gridModel.setAlbums(albums);
    gridModel.setSelection({"b"});
    EXPECT_TRUE(gridModel.index(1).data(AlbumGridModel::selectedRole).toBool());
    EXPECT_EQ(gridModel.index(1).data(AlbumGridModel::artistRole).toString(),
              QStringLiteral("Unknown Artist"));
    EXPECT_EQ(gridModel.flags(gridModel.index(0)) & (Qt::ItemIsSelectable | Qt::ItemIsDragEnabled),
              Qt::ItemFlags());
    gridModel.setSelection({});
    gridModel.setAlbums({});
    EXPECT_EQ(gridModel.rowCount(), 0);
}

} // namespace
} // namespace sorvalind::test
