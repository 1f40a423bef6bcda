// The home page in the library window over a real model on the loopback
// server with real covers: the summary, the rows and their tiles and links,
// the arrows paging a row (jumping or animated), the vertical wheel over a
// row, the empty library, and screenshots.

#include "library_window/home_album_banner.h"
#include "library_window/home_album_row.h"
#include "library_window/home_album_tile.h"
#include "library_window/home_page.h"
#include "library_window/page_host.h"

#include "kit/artwork_view.h"
#include "kit/elided_text.h"

#include "library_window_fixture.h"

#include "loopback/png_image.h"
#include "playback/playback_controller.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

namespace sorvalind::test {
namespace {

class HomePageWorld : public ::testing::Test {
protected:
    explicit HomePageWorld(loopback::FakeLibrary::Shape shape) : world(shape) {}

    void SetUp() override {
        world.enableCoverArt();
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
    }
    void TearDown() override { window.reset(); }

    // Covers for every album but the last, which keeps its placeholder.
    void giveCovers(int albums) {
        for (int i = 1; i < albums; ++i) {
            const auto hue = std::uint8_t(i * 15);
            world.server().setCoverArt("al-" + std::to_string(i),
                                       loopback::blendedPng(64, {hue, 90, std::uint8_t(200 - hue)},
                                                            {std::uint8_t(255 - hue), 160, 60}),
                                       "image/png");
        }
    }

    HomePage* show(QSize size) {
        LibraryWindowParts parts;
        parts.pages.songRowWorker = &workers;
        parts.preferences = &preferences;
        window = std::make_unique<LibraryWindow>(model, world.sharedCoordinator(), parts);
        window->setPalette(accentPalette(window->palette()));
        window->resize(size);
        window->show();
        EXPECT_TRUE(waitUntil([&] { return !model->loading().value(); }));
        settle();
        auto* page = dynamic_cast<HomePage*>(window->pageHost()->page());
        EXPECT_NE(page, nullptr);
        return page;
    }

    void settle() {
        for (int i = 0; i < 4; ++i)
            processEvents();
    }

    // Waits until every tile on screen shows its cover.
    bool coversShown(HomePage& page) {
        return waitUntil([&] {
            for (HomeAlbumRow* row : page.rows())
                for (int i = 0; i < row->tileCount(); ++i) {
                    auto* tile = static_cast<HomeAlbumTile*>(row->tile(i));
                    if (tile->artwork()->load().request().visible && tile->albumId() != "al-16" &&
                        tile->artwork()->image().isNull())
                        return false;
                }
            return true;
        });
    }

    void screenshot(QWidget& widget, const char* name) {
        EXPECT_FALSE(saveScreenshot(widget, QStringLiteral("home"), QString::fromUtf8(name)).isEmpty())
            << name;
    }

    GuiModelWorld world;
    WorkerPool workers{2, "home-page-test"};
    InMemoryPreferences preferences;
    std::shared_ptr<AppModel> model;
    std::unique_ptr<LibraryWindow> window;
};

class HomePageTest : public HomePageWorld {
protected:
    HomePageTest()
        : HomePageWorld({.artists = 4,
                         .albumsPerArtist = 4,
                         .songsPerAlbum = 2,
                         .playlists = 1,
                         .songsPerPlaylist = 2}) {}
};

class EmptyHomePageTest : public HomePageWorld {
protected:
    EmptyHomePageTest()
        : HomePageWorld({.artists = 0,
                         .albumsPerArtist = 0,
                         .songsPerAlbum = 0,
                         .playlists = 0,
                         .songsPerPlaylist = 0}) {}
};

TEST_F(HomePageTest, ShowsTheSummaryAndRowsWhoseTilesAndLinksNavigate) {
    giveCovers(16);
    HomePage* page = show(QSize(1180, 780));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(model->albums().value()->size(), 16u);
    EXPECT_EQ(page->statisticsLabel()->text(),
              QStringLiteral("16 albums · 4 artists · %1 songs").arg(model->librarySongCount().value()));
    ASSERT_GE(page->rows().size(), 2u);
    EXPECT_EQ(page->rows()[0]->title(), QStringLiteral("Recently added"));
    for (HomeAlbumRow* row : page->rows()) {
        EXPECT_LE(row->tileCount(), 12);
        EXPECT_EQ(row->leftButton()->accessibleName(), QStringLiteral("Scroll %1 left").arg(row->title()));
        EXPECT_EQ(row->rightButton()->toolTip().contains(QStringLiteral("right")), true);
    }
    HomeAlbumRow& first = *page->rows()[0];
    EXPECT_EQ(first.tileCount(), 12);
    auto* tile = static_cast<HomeAlbumTile*>(first.tile(0));
    EXPECT_FALSE(tile->nameLabel()->text().isEmpty());
    EXPECT_EQ(tile->width(), 156);
    EXPECT_TRUE(coversShown(*page));
    ASSERT_EQ(tile->albumId(), "al-1");
    EXPECT_FALSE(tile->artwork()->image().isNull());
    // Tiles off screen keep no picture.
    EXPECT_FALSE(static_cast<HomeAlbumTile*>(first.tile(11))->artwork()->load().request().visible);

    // The same list published again derives nothing anew.
    const std::size_t derivations = page->rowCache().derivations();
    model->setRoute(std::string("Home"));
    settle();
    EXPECT_EQ(page->rowCache().derivations(), derivations);

    screenshot(*window, "home-full-1180x780");
    window->resize(780, 540);
    settle();
    EXPECT_TRUE(coversShown(*page));
    screenshot(*window, "home-full-780x540");

    const std::string id = tile->albumId();
    QTest::mouseClick(tile, Qt::LeftButton);
    settle();
    EXPECT_EQ(model->route().value(), std::optional<std::string>("album:" + id));
    model->setRoute(std::nullopt);
    settle();
    page = dynamic_cast<HomePage*>(window->pageHost()->page());
    ASSERT_NE(page, nullptr);
    QTest::mouseClick(page->rows()[0]->allAlbumsButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->route().value(), std::optional<std::string>("Albums"));
}

TEST_F(HomePageTest, ArrowsPageARowByWholeTilesAndStopAtItsEnds) {
    HomePage* page = show(QSize(1180, 780));
    ASSERT_NE(page, nullptr);
    HomeAlbumRow& row = *page->rows()[0];
    row.setReduceMotion(true);
    QScrollBar* bar = row.strip()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 1);
    EXPECT_TRUE(row.leftButton()->isVisible());
    EXPECT_FALSE(row.leftButton()->isEnabled());
    EXPECT_TRUE(row.rightButton()->isEnabled());

    const int width = row.strip()->viewport()->width();
    const int step = std::max(width / 176, 1) * 176;
    QTest::mouseClick(row.rightButton(), Qt::LeftButton);
    EXPECT_EQ(bar->value(), std::min(step, bar->maximum()));
    EXPECT_TRUE(row.leftButton()->isEnabled());
    for (int i = 0; i < 12 && row.rightButton()->isEnabled(); ++i)
        QTest::mouseClick(row.rightButton(), Qt::LeftButton);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_FALSE(row.rightButton()->isEnabled());
    for (int i = 0; i < 12 && row.leftButton()->isEnabled(); ++i)
        QTest::mouseClick(row.leftButton(), Qt::LeftButton);
    EXPECT_EQ(bar->value(), 0);

    // With motion allowed the bar travels there over a quarter second.
    row.setReduceMotion(false);
    row.scrollBy(+1);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(waitUntil([&] { return bar->value() == std::min(step, bar->maximum()); }));

    // A row that fits keeps its arrows' place but shows none.
    window->resize(3200, 780);
    settle();
    EXPECT_TRUE(waitUntil([&] { return row.geometry().maximumOffset <= 1; }));
    EXPECT_FALSE(row.leftButton()->isVisible());
    EXPECT_FALSE(row.rightButton()->isVisible());
    EXPECT_TRUE(row.leftButton()->sizePolicy().retainSizeWhenHidden());
}

TEST_F(HomePageTest, ThePageComesBackWhereItWasLeft) {
    HomePage* page = show(QSize(780, 540));
    ASSERT_NE(page, nullptr);
    QScrollBar* bar = page->scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 200);
    bar->setValue(200);
    settle();
    model->setRoute(std::string("Albums"));
    settle();
    model->setRoute(std::nullopt);
    settle();
    page = dynamic_cast<HomePage*>(window->pageHost()->page());
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(waitUntil([&] { return page->scrollArea()->verticalScrollBar()->value() == 200; }));
}

TEST_F(HomePageTest, AVerticalWheelOverARowScrollsThePage) {
    HomePage* page = show(QSize(780, 540));
    ASSERT_NE(page, nullptr);
    QScrollBar* pageBar = page->scrollArea()->verticalScrollBar();
    ASSERT_GT(pageBar->maximum(), 0);
    HomeAlbumRow& row = *page->rows()[0];
    QWidget* viewport = row.strip()->viewport();
    const QPointF at(40, 40);
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    EXPECT_GT(pageBar->value(), 0);
    EXPECT_EQ(row.strip()->horizontalScrollBar()->value(), 0);
}

TEST(HomeBannerTextTest, TheDetailLineJoinsWhatTheAlbumHas) {
    Album album = Album::make("al", "A");
    EXPECT_EQ(bannerMetadata(album), QString());
    album.songCount = 1;
    EXPECT_EQ(bannerMetadata(album), QStringLiteral("1 song"));
    album.year = 1999;
    album.songCount = 12;
    album.duration = 2710;
    EXPECT_EQ(bannerMetadata(album), QStringLiteral("1999 · 12 songs · 45:10"));
}

TEST_F(HomePageTest, TheBannerShowsTheSelectedAlbumAndItsControlsChangeIt) {
    giveCovers(16);
    HomePage* page = show(QSize(1180, 780));
    ASSERT_NE(page, nullptr);
    HomeAlbumBanner& banner = *page->banner();
    const FeaturedAlbums& featured = model->featuredAlbums().value();
    ASSERT_GT(featured.albums.size(), 1u);
    ASSERT_NE(featured.selected(), nullptr);
    EXPECT_TRUE(banner.isVisible());
    EXPECT_EQ(banner.nameLabel()->text(), QString::fromStdString(featured.selected()->name));
    EXPECT_EQ(banner.dots().size(), featured.albums.size());
    EXPECT_EQ(banner.currentLayout(), bannerLayout(banner.width()));
    // The card takes its colour from the cover once it is in.
    if (featured.selected()->id != "al-16") {
        EXPECT_TRUE(waitUntil([&] { return !(banner.tint() == AlbumBannerTint::fallback()); }));
    }

    const std::string first = *model->featuredAlbums().value().selectedID;
    QTest::mouseClick(banner.nextButton(), Qt::LeftButton);
    settle();
    EXPECT_NE(*model->featuredAlbums().value().selectedID, first);
    EXPECT_EQ(banner.nameLabel()->text(),
              QString::fromStdString(model->featuredAlbums().value().selected()->name));
    QTest::mouseClick(banner.previousButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(*model->featuredAlbums().value().selectedID, first);
    const std::string last = model->featuredAlbums().value().albums.back().id;
    QTest::mouseClick(banner.dots().back(), Qt::LeftButton);
    settle();
    EXPECT_EQ(*model->featuredAlbums().value().selectedID, last);

    banner.setReduceMotion(false);
    banner.setActive(true);
    EXPECT_TRUE(banner.rotating());
    QTest::mouseClick(banner.pauseButton(), Qt::LeftButton);
    EXPECT_FALSE(banner.rotating());
    EXPECT_EQ(banner.pauseButton()->accessibleName(), QStringLiteral("Resume slideshow"));
    QTest::mouseClick(banner.pauseButton(), Qt::LeftButton);
    EXPECT_EQ(banner.pauseButton()->accessibleName(), QStringLiteral("Pause slideshow"));
    banner.setReduceMotion(true);
    EXPECT_FALSE(banner.rotating());
    EXPECT_FALSE(banner.pauseButton()->isVisible());

    QTest::mouseClick(banner.viewButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(model->route().value(), std::optional<std::string>("album:" + last));
}

TEST_F(HomePageTest, TheSlideshowMovesOnEveryEightSecondsUnlessThePointerRestsOnIt) {
    VirtualClock clock;
    ManualExecutor executor(clock);
    QWidget host;
    host.resize(900, 320);
    auto* banner = new HomeAlbumBanner(model, executor, &host);
    banner->resize(900, 300);
    banner->setActive(true);
    host.show();
    settle();
    // The offscreen pointer may start over the new window.
    QEvent away(QEvent::Leave);
    QCoreApplication::sendEvent(banner, &away);
    ASSERT_TRUE(banner->rotating());
    const auto selected = [&] { return *model->featuredAlbums().value().selectedID; };
    const std::string first = selected();
    clock.advance(std::chrono::milliseconds(7900));
    settle();
    EXPECT_EQ(selected(), first);
    clock.advance(std::chrono::milliseconds(100));
    settle();
    const std::string second = selected();
    EXPECT_NE(second, first);
    EXPECT_EQ(banner->nameLabel()->text(),
              QString::fromStdString(model->featuredAlbums().value().selected()->name));

    // Resting the pointer holds it; leaving gives a whole new wait.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(banner, &enter);
    EXPECT_FALSE(banner->rotating());
    clock.advance(std::chrono::seconds(30));
    settle();
    EXPECT_EQ(selected(), second);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(banner, &leave);
    clock.advance(std::chrono::seconds(7));
    settle();
    EXPECT_EQ(selected(), second);
    clock.advance(std::chrono::seconds(1));
    settle();
    EXPECT_NE(selected(), second);

    // An inactive window holds it too.
    banner->setActive(false);
    const std::string third = selected();
    clock.advance(std::chrono::seconds(30));
    settle();
    EXPECT_EQ(selected(), third);
}

TEST_F(HomePageTest, PlayAlbumStartsTheAlbumFromItsFirstSong) {
    HomePage* page = show(QSize(1180, 780));
    ASSERT_NE(page, nullptr);
    HomeAlbumBanner& banner = *page->banner();
    const std::string album = model->featuredAlbums().value().selected()->id;
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    QTest::mouseClick(banner.playButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return controller->queue().value().current.has_value(); }));
    EXPECT_EQ(controller->queue().value().current->song.albumId, std::optional<std::string>(album));
    EXPECT_TRUE(banner.playButton()->isEnabled());
}

TEST_F(HomePageTest, ANarrowBannerPutsTheDetailsUnderTheAlbum) {
    HomePage* page = show(QSize(780, 540));
    ASSERT_NE(page, nullptr);
    HomeAlbumBanner& banner = *page->banner();
    banner.resize(400, 300);
    EXPECT_TRUE(banner.currentLayout().narrow);
    EXPECT_EQ(banner.cover()->width(), 96);
    banner.resize(500, 300);
    EXPECT_FALSE(banner.currentLayout().narrow);
    EXPECT_TRUE(banner.currentLayout().compact);
    EXPECT_EQ(banner.cover()->width(), 128);
    QWidget narrow;
    narrow.resize(400, 300);
    QWidget* home = banner.parentWidget();
    banner.setParent(&narrow);
    banner.resize(400, 300);
    narrow.show();
    settle();
    EXPECT_GT(banner.metadataLabel()->geometry().top(), banner.cover()->geometry().bottom());
    screenshot(banner, "banner-narrow-400");
    banner.setParent(home);
}

TEST_F(EmptyHomePageTest, AnEmptyLibraryShowsTheSummaryAlone) {
    HomePage* page = show(QSize(1180, 780));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->statisticsLabel()->text(), QStringLiteral("0 albums · 0 artists · 0 songs"));
    EXPECT_TRUE(page->rows().empty());
    EXPECT_FALSE(page->banner()->isVisible());
    screenshot(*window, "home-empty-1180x780");
    window->resize(780, 540);
    settle();
    screenshot(*window, "home-empty-780x540");
}

} // namespace
} // namespace sorvalind::test
