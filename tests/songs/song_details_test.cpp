// The song details sheet over a real model: the store, the fetch, their
// failures, the links, and its pictures.

#include "songs/song_detail_links.h"
#include "songs/song_details_view.h"
#include "support/locale_environment.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include "runtime/thread_executor.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace sorvalind::test {
namespace {

const QString kDetailsFolder = QStringLiteral("player");

Artist artist(std::string id, std::string name) {
    Artist made;
    made.id = std::move(id);
    made.name = std::move(name);
    return made;
}

TEST(SongDetailLinks, ArtistFieldsLinkToTheFirstLoadedArtistOfThatNameInAnyCase) {
    const std::vector<Artist> artists = {artist("", "Nameless"), artist("a1", "The Band"),
                                         artist("a2", "the band")};
    const auto album = SongDetailDestination::album("al1", "First");
    const auto genre = SongDetailDestination::genre("Jazz");
    struct Case {
        SongDetailField field;
        std::optional<SongDetailDestination> expected;
    };
    const std::vector<Case> cases = {
        {{"Album artist", "THE BAND", std::nullopt}, SongDetailDestination::artist(artists[1])},
        {{"Composer", "the band", std::nullopt}, SongDetailDestination::artist(artists[1])},
        {{"Artist", "Nobody", std::nullopt}, std::nullopt},
        {{"Artist", "nameless", std::nullopt}, std::nullopt},
        {{"Title", "The Band", std::nullopt}, std::nullopt},
        {{"Album", "First", album}, album},
        {{"Genre", "Jazz", genre}, genre},
    };
    for (const Case& each : cases)
        EXPECT_EQ(resolvedDestination(each.field, artists), each.expected)
            << each.field.label << each.field.value;
}

class SongDetailsTest : public ::testing::Test {
protected:
    SongDetailsTest() { LocaleEnvironment::useLang("en_US.UTF-8"); }

    void SetUp() override {
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
        const std::int64_t before = model->songsRevision().value();
        model->setRoute("Songs");
        model->load();
        ASSERT_TRUE(waitUntil(
            [&] { return model->songsRevision().value() != before && !model->songs().value()->empty(); }));
    }

    std::unique_ptr<SongDetailsView> open(Song song, SongDetailsView::Navigate navigate = {}) {
        auto view = std::make_unique<SongDetailsView>(model, std::move(song), workers, std::move(navigate));
        view->show();
        return view;
    }

    static bool settled(SongDetailsView& view) {
        return waitUntil([&] { return !view.loading(); });
    }

    GuiModelWorld world;
    std::shared_ptr<AppModel> model;
    WorkerPool workers{2, "details-test"};
};

TEST_F(SongDetailsTest, StoredAndFetchedDetailsFillTheSheet) {
    Song passed;
    passed.id = model->songs().value()->front().id;
    passed.title = "As the list had it";
    // The fetch waits for the picture of the loading sheet.
    world.server().injectFault(loopback::FakeFault::delayHeaders(std::chrono::milliseconds(800)), 1,
                               "getSong");
    auto view = open(passed);
    EXPECT_TRUE(view->loading());
    processEvents();
    EXPECT_TRUE(view->loading());
    EXPECT_FALSE(saveScreenshot(*view, kDetailsFolder, "details-loading").isEmpty());
    ASSERT_TRUE(settled(*view));
    EXPECT_EQ(view->message(), std::nullopt);
    EXPECT_EQ(view->song().title, model->songs().value()->front().title) << "the server's value wins";
    EXPECT_TRUE(view->song().album.has_value());
    processEvents();
    EXPECT_FALSE(saveScreenshot(*view, kDetailsFolder, "details-full").isEmpty());
}

TEST_F(SongDetailsTest, WithoutAClientAnUnknownSongShowsTheMessageWithoutRetry) {
    model->setApi(nullptr);
    Song passed;
    passed.id = "not-in-the-store";
    passed.title = "Passed In";
    auto view = open(passed);
    ASSERT_TRUE(settled(*view));
    EXPECT_EQ(view->song(), passed);
    EXPECT_EQ(view->message(), std::string(SongDetailsView::noClientMessage));
    EXPECT_EQ(view->retryButton(), nullptr);
}

TEST_F(SongDetailsTest, AFailedFetchKeepsTheStoredDetailsAndOffersRetry) {
    const Song stored = model->songs().value()->front();
    world.server().injectFault(loopback::FakeFault::status(500), 1, "getSong");
    Song passed;
    passed.id = stored.id;
    passed.title = "Passed In";
    auto view = open(passed);
    ASSERT_TRUE(settled(*view));
    ASSERT_TRUE(view->message().has_value());
    EXPECT_TRUE(view->message()->starts_with(SongDetailsView::fetchFailedPrefix)) << *view->message();
    EXPECT_GT(view->message()->size(), std::string(SongDetailsView::fetchFailedPrefix).size());
    EXPECT_EQ(view->song().title, stored.title) << "the stored copy";
    ASSERT_NE(view->retryButton(), nullptr);
    processEvents();
    EXPECT_FALSE(saveScreenshot(*view, kDetailsFolder, "details-error").isEmpty());

    view->retryButton()->click();
    EXPECT_EQ(view->refreshID(), 1);
    EXPECT_TRUE(view->loading());
    EXPECT_EQ(view->message(), std::nullopt);
    ASSERT_TRUE(settled(*view));
    EXPECT_EQ(view->message(), std::nullopt);
}

TEST_F(SongDetailsTest, ALinkClosesTheSheetBeforeItNavigatesAndEscapeCloses) {
    const Song stored = model->songs().value()->front();
    ASSERT_TRUE(stored.albumId.has_value());
    std::vector<std::string> events;
    std::unique_ptr<SongDetailsView> view;
    view = open(stored, [&](const SongDetailDestination& destination) {
        events.push_back(view->isVisible() ? "navigate while open" : "navigate after closing");
        EXPECT_TRUE(std::holds_alternative<SongDetailDestination::AlbumTarget>(destination.target));
    });
    ASSERT_TRUE(settled(*view));
    processEvents();
    QAbstractButton* albumLink = nullptr;
    for (QAbstractButton* button : view->findChildren<QAbstractButton*>())
        if (button->accessibleDescription() == QStringLiteral("Open ") +
                                                   QString::fromStdString(*stored.album) +
                                                   QStringLiteral(" in your library"))
            albumLink = button;
    ASSERT_NE(albumLink, nullptr);
    albumLink->click();
    EXPECT_EQ(events, std::vector<std::string>{"navigate after closing"});
    EXPECT_EQ(view->result(), QDialog::Rejected);

    auto other = open(stored);
    QTest::keyClick(other.get(), Qt::Key_Escape);
    EXPECT_FALSE(other->isVisible());
}

} // namespace
} // namespace sorvalind::test
