// Cover-art tiles over the real artwork cache, the loopback server and Qt's
// image decoder: a tile in a scroll area loads only once it is on screen,
// releases its picture when scrolled out and finds it in memory when it
// scrolls back; offline it asks without a client and keeps the placeholder,
// and coming back online loads it.

#include "kit/artwork_view.h"
#include "kit/symbols.h"
#include "kit/visibility_tracker.h"

#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "model/app_model.h"
#include "model/artwork_cache.h"
#include "model/cached_artwork.h"
#include "platform/qt_image_decoder.h"
#include "platform/qt_main_actor.h"
#include "runtime/clock.h"
#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "support/paths.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace sorvalind::test {
namespace {

std::string pngOf(QColor colour) {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

QColor centreOf(QWidget& widget) {
    return widget.grab().toImage().pixelColor(widget.width() / 2, widget.height() / 2);
}

// A wide picture fills the square tile, cropped at the sides rather than
// squeezed, inside the rounded corners; without one the placeholder shows.
TEST(PaintArtwork, FillsTheRoundedSquareAndCropsTheLongerSide) {
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(QColor(0, 0, 220));
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 50; ++x)
            wide.setPixelColor(x, y, QColor(0, 200, 0)); // cropped away
    for (int y = 0; y < 100; ++y)
        for (int x = 50; x < 100; ++x)
            wide.setPixelColor(x, y, QColor(220, 0, 0));
    QImage tile(100, 100, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        paintArtwork(painter, QRectF(0, 0, 100, 100), wide, QStringLiteral("music.note"), QPalette());
    }
    EXPECT_EQ(tile.pixelColor(0, 0).alpha(), 0) << "rounded corner";
    EXPECT_GT(tile.pixelColor(3, 50).red(), 200) << "the left edge shows the middle's left half";
    EXPECT_GT(tile.pixelColor(96, 50).blue(), 200);
    for (int x = 0; x < 100; ++x)
        EXPECT_LT(tile.pixelColor(x, 50).green(), 100) << "the cropped side never shows, at " << x;

    QImage empty(100, 100, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    {
        QPainter painter(&empty);
        paintArtwork(painter, QRectF(0, 0, 100, 100), QImage(), QStringLiteral("music.note"), QPalette());
    }
    EXPECT_GT(empty.pixelColor(50, 90).alpha(), 0) << "the faint tile";
    int symbol = 0;
    for (int y = 36; y < 64; ++y)
        for (int x = 36; x < 64; ++x)
            if (empty.pixelColor(x, y) != empty.pixelColor(50, 90)) ++symbol;
    EXPECT_GT(symbol, 40) << "the symbol in the middle, 28 % of the side";
}

struct ArtworkViews : ::testing::Test {
    loopback::FakeSubsonicServer server;
    TempDir dir;
    QtMainActor main;
    WorkerPool workers{3, "artwork-view-test"};
    std::shared_ptr<ArtworkCache> cache = ArtworkCache::make(
        dir.path() / "Artwork", workers, systemSteadyClock(), std::make_shared<QtImageDecoder>());
    CachedArtwork artwork{cache, main};
    std::shared_ptr<APIClient> api = std::make_shared<APIClient>(
        ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main, NetworkSecurity::session());
    bool offline = false;
    ArtworkLoad::ClientProvider client = [this]() { return offline ? nullptr : api; };

    void TearDown() override {
        bool done = false;
        cache->shutdown().whenFinished(main, [&](const Outcome<void>&) { done = true; });
        EXPECT_TRUE(waitUntil([&] { return done; }));
    }
};

TEST_F(ArtworkViews, LoadOnlyOnScreenReleaseWhenScrolledOutAndComeBackFromMemory) {
    server.setCoverArt("al-1", pngOf(QColor(200, 30, 30)));
    server.setCoverArt("al-2", pngOf(QColor(30, 30, 200)));
    QScrollArea area;
    area.resize(240, 240);
    auto* content = new QWidget;
    content->setFixedSize(200, 2000);
    auto* top = new ArtworkView(artwork, client, 100, QStringLiteral("music.note"), content);
    top->move(10, 10);
    auto* far = new ArtworkView(artwork, client, 100, QStringLiteral("music.note"), content);
    far->move(10, 1500);
    area.setWidget(content);
    top->setId("al-1");
    far->setId("al-2");
    VisibilityTracker tracker(area);
    tracker.track(top, [top](bool visible) { top->setScrollVisible(visible); });
    tracker.track(far, [far](bool visible) { far->setScrollVisible(visible); });
    area.show();

    ASSERT_TRUE(waitUntil([&] { return !top->image().isNull(); }));
    EXPECT_EQ(server.requestCount("getCoverArt"), 1u) << "the tile far down asks nothing";
    EXPECT_TRUE(far->image().isNull());
    const QColor shown = centreOf(*top);
    EXPECT_NEAR(shown.red(), 200, 8);
    EXPECT_NEAR(shown.blue(), 30, 8);

    area.verticalScrollBar()->setValue(1400);
    ASSERT_TRUE(waitUntil([&] { return !far->image().isNull() && top->image().isNull(); }));
    EXPECT_EQ(server.requestCount("getCoverArt"), 2u);
    EXPECT_NEAR(centreOf(*far).blue(), 200, 8);

    area.verticalScrollBar()->setValue(0);
    ASSERT_TRUE(waitUntil([&] { return !top->image().isNull() && far->image().isNull(); }));
    EXPECT_EQ(server.requestCount("getCoverArt"), 2u) << "memory answers a tile that scrolls back";

    // Hiding the page releases every picture.
    area.hide();
    processEvents();
    EXPECT_TRUE(top->image().isNull());
}

TEST_F(ArtworkViews, OfflineKeepsThePlaceholderUntilTheConnectionComesBack) {
    server.setCoverArt("al-3", pngOf(QColor(30, 160, 60)));
    offline = true;
    QWidget sheet;
    auto* row = new QHBoxLayout(&sheet);
    auto* waiting = new ArtworkView(artwork, client, 140, QStringLiteral("music.note"), &sheet);
    ASSERT_TRUE(hasSymbol(QStringLiteral("person.fill")));
    auto* person = new ArtworkView(artwork, client, 100, QStringLiteral("person.fill"), &sheet);
    auto* none = new ArtworkView(artwork, client, 100, QStringLiteral("music.note"), &sheet);
    row->addWidget(waiting);
    row->addWidget(person);
    row->addWidget(none);
    waiting->setId("al-3");
    person->setId("ar-9");
    sheet.show();
    ASSERT_TRUE(waitUntil([&] { return !waiting->load().isLoading() && !person->load().isLoading(); }));
    EXPECT_TRUE(waiting->image().isNull());
    EXPECT_EQ(server.requestCount("getCoverArt"), 0u) << "no client while offline";
    // The placeholder: a faint tile with the symbol, not the cover's green.
    const QColor placeholder = centreOf(*waiting);
    EXPECT_LT(std::abs(placeholder.green() - placeholder.red()), 20) << placeholder.name().toStdString();

    offline = false;
    waiting->setConnected(true);
    ASSERT_TRUE(waitUntil([&] { return !waiting->image().isNull(); }));
    EXPECT_NEAR(centreOf(*waiting).green(), 160, 8);
    EXPECT_FALSE(
        saveScreenshot(sheet, QStringLiteral("library-window"), QStringLiteral("artwork-tiles")).isEmpty());
}

// Over a real model: loads see it connected and ask through its client;
// offline, they are not connected and ask without one.
TEST(ArtworkOverAModel, TakesTheConnectionFlagAndTheClientFromTheModel) {
    GuiModelWorld world;
    ASSERT_TRUE(world.launch());
    ASSERT_TRUE(world.connect());
    AppModel& model = *world.current();
    const ArtworkLoad::ClientProvider client = artworkClient(model);
    EXPECT_TRUE(artworkConnected(model));
    ASSERT_NE(client(), nullptr);
    EXPECT_EQ(client(), model.api());

    model.setForceOfflineMode(true);
    ASSERT_TRUE(waitUntil([&] { return model.isOffline().value(); }));
    EXPECT_FALSE(artworkConnected(model));
    EXPECT_EQ(client(), nullptr);
    EXPECT_NE(model.api(), nullptr) << "the model keeps its client; loads just do not use it";
}

} // namespace
} // namespace sorvalind::test
