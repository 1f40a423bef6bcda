// The album page: the header's summary and credits, its songs only while
// they belong to the current route, the cover's tint (fallback, light and
// dark, stale), and screenshots of the album pages.

#include "library_window_fixture.h"

#include "library_window/album_grid.h"
#include "library_window/album_header.h"
#include "library_window/album_page.h"
#include "library_window/albums_page.h"
#include "library_window/page_host.h"

#include "downloads/download_manager.h"
#include "kit/artist_links.h"
#include "playback/playback_controller.h"
#include "songs/song_table_model.h"
#include "songs/song_table_view.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace sorvalind::test {
namespace {

Artist credit(std::string id, std::string name) {
    Artist artist;
    artist.id = std::move(id);
    artist.name = std::move(name);
    return artist;
}

std::string png(QColor color) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

class AlbumPageTest : public LibraryWindowFixture {
protected:
    void SetUp() override {
        world.enableCoverArt();
        LibraryWindowFixture::SetUp();
    }

    Album loadedAlbum(std::size_t index) {
        const auto& albums = *model->albums().value();
        EXPECT_GT(albums.size(), index);
        return albums.at(index);
    }
};

TEST_F(AlbumPageTest, TheSummaryJoinsYearCountAndDuration) {
    struct Case {
        std::optional<std::int64_t> year;
        std::optional<double> duration;
        std::size_t songs;
        const char* expected;
    };
    const Case cases[] = {
        {2001, 4500, 3, "2001 · 3 songs · 75:00"},
        {std::nullopt, std::nullopt, 0, "0 songs"},
        {12345, std::nullopt, 1, "12345 · 1 songs"},
        {std::nullopt, 61, 2, "2 songs · 1:01"},
    };
    for (const Case& c : cases) {
        Album album = Album::make("al", "A");
        album.year = c.year;
        album.duration = c.duration;
        EXPECT_EQ(albumSummaryText(album, c.songs), QString::fromUtf8(c.expected));
    }
}

TEST_F(AlbumPageTest, CreditsFallFromAlbumArtistsToArtistsToTheLegacyCredit) {
    show();
    Album album = Album::make("al", "A", "Someone");
    album.artistId = "ar-9";
    album.artists = std::vector<Artist>{credit("ar-2", "Two")};
    album.albumArtists = std::vector<Artist>{credit("ar-1", "One")};
    EXPECT_EQ(albumCredits(*model, album).front().name, "One");
    album.albumArtists = std::vector<Artist>{};
    EXPECT_EQ(albumCredits(*model, album).front().name, "Two");
    album.artists.reset();
    const auto legacy = albumCredits(*model, album);
    ASSERT_EQ(legacy.size(), 1u);
    EXPECT_EQ(legacy.front().id, "ar-9");
    EXPECT_EQ(legacy.front().name, "Someone");

    // No credits at all: the artist text, else "Unknown Artist".
    AlbumHeader header(model, workers);
    header.resize(900, 260);
    header.show();
    Album bare = Album::make("al", "A");
    header.setAlbum(bare);
    processEvents();
    EXPECT_TRUE(header.credits().artists().empty());
    ASSERT_FALSE(header.credits().runs().empty());
    EXPECT_EQ(header.credits().runs().front().text, QStringLiteral("Unknown Artist"));
}

TEST_F(AlbumPageTest, TheHeaderUsesOnlyTheSongsOfTheCurrentRoute) {
    show();
    const Album album = loadedAlbum(0);
    model->setRoute("album:" + album.id);
    ASSERT_TRUE(loaded("album:" + album.id));
    auto* page = dynamic_cast<AlbumPage*>(window->pageHost()->page());
    ASSERT_NE(page, nullptr);
    AlbumHeader& shown = page->header();
    ASSERT_TRUE(waitUntil([&] { return shown.songs()->size() == 3u; }));
    EXPECT_FALSE(shown.isHidden());
    EXPECT_EQ(shown.titleLabel().text(), QString::fromStdString(album.name));
    EXPECT_TRUE(shown.summaryLabel().text().contains(QStringLiteral("3 songs")));

    // The route moves on before its songs are loaded: the old songs are not
    // this page's.
    AlbumHeader header(model, workers);
    header.setAlbum(album);
    header.refreshSongs();
    EXPECT_EQ(header.songs()->size(), 3u);
    model->setRoute("album:" + loadedAlbum(1).id);
    header.refreshSongs();
    EXPECT_TRUE(header.songs()->empty());
    EXPECT_TRUE(header.summaryLabel().text().contains(QStringLiteral("0 songs")));
    EXPECT_TRUE(header.playButton().isEnabled());
    EXPECT_TRUE(header.downloadButton().isEnabled());
    header.play();
    header.download(DownloadQuality::original);
    settle();
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    EXPECT_FALSE(controller->queue().value().current.has_value());
    EXPECT_TRUE(model->downloads().jobs().value().empty());

    ASSERT_TRUE(loaded("album:" + loadedAlbum(1).id));
    header.refreshSongs();
    EXPECT_EQ(header.songs()->size(), 3u);
    header.play();
    EXPECT_TRUE(waitUntil([&] { return controller->queue().value().current.has_value(); }));
}

TEST_F(AlbumPageTest, TheTintComesFromTheCoverAndAStaleOneIsDropped) {
    show();
    world.server().setCoverArt("tint-red", png(QColor(220, 20, 30)));
    world.server().setCoverArt("tint-light", png(QColor(250, 240, 200)));
    AlbumHeader header(model, workers);
    Album album = Album::make("al", "Tinted");

    album.coverArt = "tint-red";
    header.setAlbum(album);
    ASSERT_TRUE(waitUntil([&] { return header.isTintCurrent(); }));
    EXPECT_GT(header.tint().red, 0.6);
    EXPECT_LT(header.tint().green, 0.3);
    EXPECT_FALSE(header.tint().usesDarkText());
    EXPECT_EQ(header.titleLabel().palette().color(QPalette::WindowText), QColor(Qt::white));

    album.coverArt = "tint-light";
    header.setAlbum(album);
    ASSERT_TRUE(waitUntil([&] { return header.isTintCurrent(); }));
    EXPECT_TRUE(header.tint().usesDarkText());
    EXPECT_EQ(header.titleLabel().palette().color(QPalette::WindowText), QColor(Qt::black));

    // No cover, and a cover the server does not have: the fallback.
    album.coverArt.reset();
    header.setAlbum(album);
    EXPECT_TRUE(header.isTintCurrent());
    EXPECT_EQ(header.tint(), AlbumBannerTint::fallback());
    album.coverArt = "tint-missing";
    header.setAlbum(album);
    ASSERT_TRUE(waitUntil([&] { return header.isTintCurrent(); }));
    EXPECT_EQ(header.tint(), AlbumBannerTint::fallback());

    // The red cover's tint, asked for and then left: it never lands.
    world.server().setCoverArt("tint-red-2", png(QColor(200, 10, 10)));
    album.coverArt = "tint-red-2";
    header.setAlbum(album);
    album.coverArt.reset();
    header.setAlbum(album);
    EXPECT_EQ(header.tint(), AlbumBannerTint::fallback());
    for (int i = 0; i < 50; ++i)
        processEvents();
    waitUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(header.tint(), AlbumBannerTint::fallback());
    EXPECT_TRUE(header.isTintCurrent());
}

TEST_F(AlbumPageTest, Screenshots) {
    const QColor covers[] = {QColor(40, 90, 160), QColor(230, 200, 120), QColor(150, 40, 60),
                             QColor(60, 140, 90)};
    for (int i = 0; i < 4; ++i)
        world.server().setCoverArt("al-" + std::to_string(i + 1), png(covers[i]));
    for (const QSize size : {QSize(1180, 780), QSize(780, 540)}) {
        const QString suffix = QStringLiteral("-%1x%2").arg(size.width()).arg(size.height());
        show(size);
        model->setRoute(std::string("Albums"));
        settle();
        auto* page = dynamic_cast<AlbumsPage*>(window->pageHost()->page());
        ASSERT_NE(page, nullptr);
        AlbumGrid& grid = page->grid();
        ASSERT_TRUE(waitUntil([&] { return grid.isReady() && !grid.displayed().empty(); }));
        settle();
        screenshot(*window, ("albums" + suffix.toStdString()).c_str());

        // Nothing given: the empty state.
        grid.setAlbums(std::make_shared<const std::vector<Album>>());
        ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
        settle();
        screenshot(*window, ("albums-empty" + suffix.toStdString()).c_str());
        grid.setAlbums(model->albums().value());

        const Album favorite = loadedAlbum(1);
        if (!favorite.starred) model->favorite(favorite);
        ASSERT_TRUE(waitUntil([&] {
            grid.setFavoritesOnly(!grid.favoritesOnly());
            return waitUntil([&] { return grid.isReady(); }) && grid.favoritesOnly() &&
                   !grid.displayed().empty();
        }));
        settle();
        screenshot(*window, ("albums-favorites" + suffix.toStdString()).c_str());
        grid.setFavoritesOnly(false);
        ASSERT_TRUE(waitUntil([&] { return grid.isReady(); }));
        grid.clickTile(0, Qt::ControlModifier);
        grid.clickTile(2, Qt::ControlModifier);
        settle();
        screenshot(*window, ("albums-two-selected" + suffix.toStdString()).c_str());

        const Album album = loadedAlbum(0);
        model->setRoute("album:" + album.id);
        ASSERT_TRUE(loaded("album:" + album.id));
        auto* albumPage = dynamic_cast<AlbumPage*>(window->pageHost()->page());
        ASSERT_NE(albumPage, nullptr);
        waitUntil([&] { return albumPage->header().isTintCurrent(); }, std::chrono::seconds(5));
        waitUntil([&] { return albumPage->songTable().tableModel().rowCount() == 3; },
                  std::chrono::seconds(5));
        settle();
        screenshot(*window, ("album" + suffix.toStdString()).c_str());
        window.reset();
    }
}

} // namespace
} // namespace sorvalind::test
