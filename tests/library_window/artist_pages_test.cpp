// The artists and genres pages and the artist page, in a real library window
// over the loopback library: grid contents and empty states, clicks, scroll
// restoration, artwork for tiles on screen only, the artist page's scopes
// across artists, its tint, and its songs while the list loaded is another
// route's.

#include "library_window_fixture.h"

#include "kit/artist_biography_view.h"
#include "kit/library_grid.h"
#include "kit/scroll_restorer.h"
#include "library_window/album_grid.h"
#include "library_window/album_grid_view.h"
#include "library_window/artist_page.h"
#include "library_window/browse_grid_page.h"
#include "library_window/empty_state.h"
#include "library_window/page_host.h"
#include "library_window/tile_grid.h"
#include "playback/playback_controller.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace sorvalind::test {
namespace {

std::string pngOf(QColor color) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A window over a library of the given shape.
class ArtistWindow {
public:
    explicit ArtistWindow(loopback::FakeLibrary::Shape shape, bool artwork = false) : world(shape) {
        if (artwork) world.enableCoverArt();
    }

    bool start(QSize size) {
        if (!world.launch() || !world.connect()) return false;
        model = world.current();
        LibraryWindowParts parts;
        parts.pages.songRowWorker = &workers;
        parts.preferences = &preferences;
        window = std::make_unique<LibraryWindow>(model, world.sharedCoordinator(), parts);
        window->setPalette(accentPalette(window->palette()));
        window->resize(size);
        window->show();
        if (!waitUntil([&] {
                return !model->loading().value() && model->api() && model->connected().value() &&
                       !model->isOffline().value();
            }))
            return false;
        settle();
        return true;
    }

    void go(const std::string& route) {
        model->setRoute(route);
        // The route's load starts from the page's own task, a loop turn or
        // more after the page: wait for the page, then for the load.
        waitUntil([&] { return window->pageHost()->page() != nullptr; });
        settle();
        waitUntil([&] { return !model->loading().value(); });
        settle();
    }

    void settle() {
        for (int i = 0; i < 4; ++i)
            processEvents();
    }

    template <class Page> Page* page() const { return qobject_cast<Page*>(window->pageHost()->page()); }

    GuiModelWorld world;
    WorkerPool workers{2, "artist-pages-test"};
    InMemoryPreferences preferences;
    std::shared_ptr<AppModel> model;
    std::unique_ptr<LibraryWindow> window;
};

void shoot(QWidget& widget, const QString& name) {
    EXPECT_FALSE(saveScreenshot(widget, QStringLiteral("library-window"), name).isEmpty())
        << name.toStdString();
}

QString sized(const char* name, QSize size) {
    return QString::fromUtf8(name) + QLatin1Char('-') + QString::number(size.width());
}

class ArtistPagesTest : public LibraryWindowFixture {
protected:
    ArtistPage* artistPage() const { return qobject_cast<ArtistPage*>(window->pageHost()->page()); }
    BrowseGridPage* gridPage() const { return qobject_cast<BrowseGridPage*>(window->pageHost()->page()); }
    QStringList titles(TileGrid& grid) const {
        QStringList names;
        for (const GridTile& tile : grid.tiles().tiles())
            names << tile.title;
        return names;
    }
};

TEST_F(ArtistPagesTest, TheGridsListTheLibraryAndATileOpensItsPage) {
    for (QSize size : {QSize(1180, 780), QSize(780, 540)}) {
        window.reset();
        show(size);
        model->setRoute(std::string("Artists"));
        settle();
        BrowseGridPage* artists = gridPage();
        ASSERT_NE(artists, nullptr);
        const auto loaded = *model->artists().value();
        ASSERT_EQ(loaded.size(), 2u);
        EXPECT_EQ(artists->countLabel().text(), QStringLiteral("2 artists"));
        EXPECT_EQ(titles(artists->grid()), (QStringList{QString::fromStdString(loaded[0].name),
                                                        QString::fromStdString(loaded[1].name)}));
        EXPECT_FALSE(artists->emptyState().isVisible());
        EXPECT_EQ(artists->grid().columnCount(), size.width() > 1000 ? 5 : 3);
        {
            QAbstractItemModelTester tester(&artists->grid().tiles(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        }
        // Both tiles are on screen: each has its slot (this world serves no pictures).
        artists->grid().evaluateVisibility();
        EXPECT_NE(artists->grid().slotFor(0), nullptr);
        EXPECT_NE(artists->grid().slotFor(1), nullptr);
        shoot(*window, sized("artists", size));

        // A tile's menu favourites and rates its artist; off the tiles there is none.
        QPointer<QMenu> menu = artists->artistMenu(1);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(artists->artistMenu(2), nullptr);
        QStringList entries;
        for (QAction* action : menu->actions())
            entries << action->text();
        EXPECT_EQ(entries.size(), 2) << entries.join(u',').toStdString();
        menu->actions().front()->trigger();
        delete menu.data();
        // Each pass turns the favourite the other way.
        ASSERT_TRUE(waitUntil([&] {
            return (*model->artists().value())[1].starred.has_value() != loaded[1].starred.has_value();
        }));

        model->setRoute(std::string("Genres"));
        settle();
        BrowseGridPage* genres = gridPage();
        ASSERT_NE(genres, nullptr);
        const auto& names = model->genres().value();
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(genres->countLabel().text(),
                  libraryCountText(std::int64_t(names.size()), QStringLiteral("genres")));
        EXPECT_EQ(genres->grid().tiles().tiles().front().route, "genre:" + names.front());
        EXPECT_EQ(genres->grid().slotCount(), 0u) << "genre tiles draw their own picture";
        {
            QAbstractItemModelTester tester(&genres->grid().tiles(),
                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        }
        shoot(*window, sized("genres", size));

        // A press and release on one tile opens it; a release elsewhere does not.
        TileGrid& grid = genres->grid();
        const QRect second = grid.visualRect(grid.tiles().index(1));
        QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, second.center());
        EXPECT_EQ(grid.pressedIndex().row(), 1);
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {},
                            QPoint(second.right() + 200, second.bottom() + 300));
        EXPECT_EQ(model->route().value(), std::optional<std::string>("Genres"));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, second.center());
        EXPECT_EQ(model->route().value(), std::optional<std::string>("genre:" + names[1]));
        settle();

        model->setRoute(std::string("Artists"));
        settle();
        TileGrid& artistGrid = gridPage()->grid();
        QTest::mouseClick(artistGrid.viewport(), Qt::LeftButton, {},
                          artistGrid.visualRect(artistGrid.tiles().index(0)).center());
        EXPECT_EQ(model->route().value(), std::optional<std::string>("artist:" + loaded[0].id));
        settle();
    }
}

TEST(ArtistPagesEmpty, EmptyListsShowTheirEmptyStates) {
    for (QSize size : {QSize(1180, 780), QSize(780, 540)}) {
        ArtistWindow world(
            {.artists = 0, .albumsPerArtist = 0, .songsPerAlbum = 0, .playlists = 0, .songsPerPlaylist = 0});
        ASSERT_TRUE(world.start(size));
        struct Case {
            const char* route;
            const char* count;
            const char* title;
            const char* description;
            const char* shot;
        };
        for (const Case& page :
             {Case{"Artists", "0 artists", "No artists yet",
                   "Artists appear here as your library is synchronized.", "artists-empty"},
              Case{"Genres", "0 genres", "No genres yet",
                   "Genres appear here when your music has genre tags.", "genres-empty"}}) {
            world.go(page.route);
            auto* grid = world.page<BrowseGridPage>();
            ASSERT_NE(grid, nullptr) << page.route;
            EXPECT_EQ(grid->countLabel().text(), QString::fromUtf8(page.count));
            EXPECT_TRUE(grid->emptyState().isVisible());
            EXPECT_EQ(grid->emptyState().title(), QString::fromUtf8(page.title));
            EXPECT_EQ(grid->emptyState().description(), QString::fromUtf8(page.description));
            EXPECT_EQ(grid->grid().tiles().rowCount(), 0);
            shoot(*world.window, sized(page.shot, size));
        }
    }
}

TEST(ArtistPagesRestoration, TheArtistsPageComesBackWhereItWasLeft) {
    ArtistWindow world(
        {.artists = 40, .albumsPerArtist = 1, .songsPerAlbum = 1, .playlists = 1, .songsPerPlaylist = 1},
        true);
    for (int i = 1; i <= 40; ++i)
        world.world.server().setCoverArt("ar-" + std::to_string(i),
                                         pngOf(QColor::fromHsv((i * 37) % 360, 90, 220)), "image/png");
    ASSERT_TRUE(world.start(QSize(780, 540)));
    world.go("Artists");
    auto* page = world.page<BrowseGridPage>();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->grid().tiles().rowCount(), 40);
    const BrowseScrollKey key{"Artists", "", "artists"};
    EXPECT_FALSE(world.model->browseScrollOffsets().contains(key)) << "a first visit saves nothing yet";
    EXPECT_NE(page->grid().slotFor(0), nullptr);
    QScrollBar* bar = page->grid().verticalScrollBar();
    ASSERT_GT(bar->maximum(), 600);
    bar->setValue(600);
    world.settle();
    EXPECT_EQ(world.model->browseScrollOffsets()[key], 600);
    // Tiles far above the viewport hold no picture; those on screen get theirs.
    EXPECT_EQ(page->grid().slotFor(0), nullptr);
    const QModelIndex shown = page->grid().indexAt(QPoint(40, 40));
    ASSERT_TRUE(shown.isValid());
    ASSERT_TRUE(waitUntil([&] {
        const ArtworkSlot* slot = page->grid().slotFor(shown.row());
        return slot && !slot->image().isNull();
    }));
    EXPECT_LE(page->grid().slotCount(), 12u);
    world.settle();
    shoot(*world.window, QStringLiteral("artists-scrolled-780"));

    world.go("Albums");
    EXPECT_EQ(world.model->browseScrollOffsets()[key], 600) << "the page that went saves nothing more";
    world.go("Artists");
    page = world.page<BrowseGridPage>();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->grid().verticalScrollBar()->value(), 600);
    EXPECT_TRUE(page->restorer().state()->isRestored());

    // An overscroll above the top is saved as the top, which a later visit does not restore.
    page->grid().verticalScrollBar()->setValue(0);
    EXPECT_EQ(world.model->browseScrollOffsets()[key], 0) << "at once";
    world.settle();
    EXPECT_EQ(world.model->browseScrollOffsets()[key], 0);
    world.go("Genres");
    world.go("Artists");
    page = world.page<BrowseGridPage>();
    EXPECT_FALSE(page->restorer().state()->restoresOffset());
    EXPECT_EQ(page->grid().verticalScrollBar()->value(), 0);
}

TEST_F(ArtistPagesTest, AnotherArtistKeepsThePageAndItsScope) {
    show();
    const auto artists = *model->artists().value();
    model->setRoute("artist:" + artists[0].id);
    ASSERT_TRUE(loaded("artist:" + artists[0].id));
    settle();
    QPointer<ArtistPage> page = artistPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->scope(), QStringLiteral("Albums"));
    ASSERT_TRUE(waitUntil([&] { return page->albumsLoaded() && page->albumGrid().isReady(); }));
    EXPECT_EQ(page->albumGrid().displayed().size(), 2u) << "the grid holds the artist's albums";
    EXPECT_EQ(page->albumGrid().countLabel().text(), QStringLiteral("2 albums"));
    EXPECT_EQ(page->nameLabel().text(), QString::fromStdString(artists[0].name));
    EXPECT_EQ(page->countsLabel().text(), QStringLiteral("2 albums · 6 songs"));

    page->scopeButton(QStringLiteral("Songs")).click();
    EXPECT_EQ(page->scope(), QStringLiteral("Songs"));
    ASSERT_NE(page->songsView(), nullptr);
    EXPECT_TRUE(page->songsView()->isVisible());
    EXPECT_FALSE(page->albumGrid().isVisible());
    ArtistBiographyView* firstBiography = page->biography();

    model->setRoute("artist:" + artists[1].id);
    ASSERT_TRUE(loaded("artist:" + artists[1].id));
    settle();
    EXPECT_EQ(artistPage(), page.data()) << "another artist keeps the page";
    EXPECT_EQ(page->scope(), QStringLiteral("Songs"));
    EXPECT_TRUE(page->songsView()->isVisible());
    EXPECT_EQ(page->nameLabel().text(), QString::fromStdString(artists[1].name));
    ASSERT_TRUE(waitUntil([&] { return page->albumsLoaded(); }));
    for (const Album& album : page->albums())
        EXPECT_EQ(album.artistId, std::optional<std::string>(artists[1].id));
    EXPECT_NE(page->biography(), firstBiography) << "a new artist gets a fresh biography";

    page->scopeButton(QStringLiteral("Albums")).click();
    EXPECT_TRUE(page->albumGrid().isVisible());
    ASSERT_TRUE(waitUntil([&] { return page->albumGrid().isReady(); }));
    ASSERT_EQ(page->albumGrid().displayed().size(), 2u);
    for (const Album& album : page->albumGrid().displayed())
        EXPECT_EQ(album.artistId, std::optional<std::string>(artists[1].id)) << "only this artist's albums";
    // An album tile opens its album; the artist page gives way.
    settle();
    AlbumGridView& grid = page->albumGrid().view();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(page->albumGrid().gridModel().index(0)).center());
    EXPECT_EQ(model->route().value(),
              std::optional<std::string>("album:" + page->albumGrid().displayed()[0].id));
}

TEST_F(ArtistPagesTest, ReadsThatEndAfterThePageIsGoneTouchNothing) {
    show();
    const auto artists = *model->artists().value();
    const PageChoice choice{PageKind::artist, artists[0].id, false};
    // Pages gone before their album read and their tint come back.
    for (int i = 0; i < 3; ++i) {
        auto page =
            std::make_unique<ArtistPage>(model, &workers, choice, QString::fromStdString(artists[0].name));
        page->show();
        page.reset();
    }
    // A page whose artist changes at once keeps only the second artist's albums.
    ArtistPage page(model, &workers, choice, QString::fromStdString(artists[0].name));
    page.setInputs({PageKind::artist, artists[1].id, false}, QString::fromStdString(artists[1].name));
    ASSERT_TRUE(waitUntil([&] { return page.albumsLoaded(); }));
    settle();
    ASSERT_EQ(page.albums().size(), 2u);
    for (const Album& album : page.albums())
        EXPECT_EQ(album.artistId, std::optional<std::string>(artists[1].id));
    EXPECT_EQ(page.artworkRequest().artistID, artists[1].id);
}

TEST_F(ArtistPagesTest, PlayTakesOnlyTheSongsLoadedForThisArtist) {
    show();
    const auto artists = *model->artists().value();
    model->setRoute("artist:" + artists[0].id);
    ASSERT_TRUE(loaded("artist:" + artists[0].id));
    settle();
    ArtistPage* page = artistPage();
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->songs().size(), 6u);
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);

    // The route moved on; the list still loaded is the first artist's.
    model->setRoute("artist:" + artists[1].id);
    ASSERT_NE(model->loadedSongRoute(), model->route().value());
    EXPECT_TRUE(page->songs().empty());
    page->play();
    EXPECT_FALSE(controller->queue().value().current.has_value()) << "nothing of the old list plays";

    ASSERT_TRUE(loaded("artist:" + artists[1].id));
    settle();
    ASSERT_EQ(page->songs().size(), 6u);
    EXPECT_EQ(page->countsLabel().text(), QStringLiteral("2 albums · 6 songs"));
    page->playButton().click();
    ASSERT_TRUE(waitUntil([&] { return controller->queue().value().current.has_value(); }));
    EXPECT_EQ(controller->queue().value().current->song.artistId, std::optional<std::string>(artists[1].id));
}

TEST(ArtistPagesTint, TheHeaderTakesItsTintFromTheArtworkAndFallsBackWithout) {
    for (QSize size : {QSize(1180, 780), QSize(780, 540)}) {
        ArtistWindow world(
            {.artists = 2, .albumsPerArtist = 2, .songsPerAlbum = 3, .playlists = 1, .songsPerPlaylist = 1},
            true);
        // The first artist has a light picture of its own; the second none,
        // and its albums' covers do not decode.
        world.world.server().setCoverArt("ar-1", pngOf(QColor(236, 222, 170)), "image/png");
        world.world.server().setCoverArt("al-1", pngOf(QColor(90, 140, 200)), "image/png");
        world.world.server().setCoverArt("al-2", pngOf(QColor(200, 90, 80)), "image/png");
        world.world.server().setCoverArt("al-3", "not an image", "image/png");
        ASSERT_TRUE(world.start(size));
        const auto artists = *world.model->artists().value();
        ASSERT_EQ(artists[0].coverArt, std::optional<std::string>("ar-1"));
        world.go("artist:" + artists[0].id);
        auto* page = world.page<ArtistPage>();
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(waitUntil([&] { return page->tint() != AlbumBannerTint::fallback(); }));
        world.settle();
        EXPECT_TRUE(page->tint().usesDarkText());
        EXPECT_EQ(page->nameLabel().palette().color(QPalette::WindowText), QColor(Qt::black));
        shoot(*world.window, sized("artist-light-albums", size));
        page->setScope(QStringLiteral("Songs"));
        world.settle();
        shoot(*world.window, sized("artist-light-songs", size));

        world.go("artist:" + artists[1].id);
        EXPECT_EQ(world.page<ArtistPage>(), page);
        EXPECT_EQ(page->scope(), QStringLiteral("Songs"));
        ASSERT_TRUE(waitUntil([&] { return page->albumsLoaded(); }));
        world.settle();
        EXPECT_EQ(page->tint(), AlbumBannerTint::fallback());
        EXPECT_EQ(page->nameLabel().palette().color(QPalette::WindowText), QColor(Qt::white));
        shoot(*world.window, sized("artist-fallback-songs", size));
        page->setScope(QStringLiteral("Albums"));
        world.settle();
        shoot(*world.window, sized("artist-fallback-albums", size));
    }
}

TEST(ArtistPagesFallback, AnArtistWithoutArtworkShowsTheFallbackTint) {
    ArtistWindow world(
        {.artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 2, .playlists = 1, .songsPerPlaylist = 1});
    ASSERT_TRUE(world.start(QSize(1180, 780)));
    const auto artists = *world.model->artists().value();
    world.go("artist:" + artists[0].id);
    auto* page = world.page<ArtistPage>();
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(waitUntil([&] { return page->albumsLoaded(); }));
    world.settle();
    // The server has no picture for the artist nor for its album.
    EXPECT_EQ(page->tint(), AlbumBannerTint::fallback());
    EXPECT_FALSE(page->tint().usesDarkText());
    EXPECT_EQ(page->nameLabel().palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(page->countsLabel().text(), QStringLiteral("1 albums · 2 songs")) << "always the plural words";
    shoot(*world.window, QStringLiteral("artist-fallback-1180"));
}

} // namespace
} // namespace sorvalind::test
