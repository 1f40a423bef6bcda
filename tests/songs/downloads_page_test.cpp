// The downloads page: its row model's update rules, the buttons each job
// offers, the header, the error box and its pictures.

#include "songs/content_unavailable_view.h"
#include "songs/downloads_list.h"
#include "songs/downloads_model.h"
#include "songs/downloads_view.h"
#include "support/locale_environment.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include "loopback/audio/audio_fixtures.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <fstream>
#include <iterator>
#include <memory>

namespace sorvalind::test {
namespace {

const QString kDownloadsFolder = QStringLiteral("player");

DownloadJob job(const std::string& id, std::string_view status, double progress = 0) {
    Song song = Song::make(id, "Track " + id);
    song.artist = "The Band";
    DownloadJob made(song, DownloadQuality::original);
    made.status = std::string(status);
    made.progress = progress;
    return made;
}

DownloadRecord record(const std::string& id, DownloadQuality quality = DownloadQuality::mp3_320) {
    DownloadRecord made;
    made.song = Song::make(id, "Kept " + id);
    made.song.artist = "The Band";
    made.quality = quality;
    made.bytes = 4'200'000;
    return made;
}

TEST(DownloadsModelTest, TicksChangeRowsFinishedTransfersMoveAndTheRestResets) {
    DownloadsModel rows;
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&rows, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&rows, &QAbstractItemModel::dataChanged);
    QSignalSpy removals(&rows, &QAbstractItemModel::rowsRemoved);
    QSignalSpy insertions(&rows, &QAbstractItemModel::rowsInserted);

    rows.setContents({job("a", DownloadJob::downloading), job("b", DownloadJob::waiting)}, {record("r")});
    EXPECT_EQ(resets.size(), 1);
    // Transfers, Cancel All, a, b, Available offline, r.
    ASSERT_EQ(rows.rowCount(), 6);
    EXPECT_EQ(rows.job(2)->id(), "a:original");
    EXPECT_EQ(rows.record(5)->id(), "r:mp3_320");
    EXPECT_EQ(rows.index(4).data().toString(), QStringLiteral("Available offline"));

    // A tick: same identifiers, one job moved on.
    rows.setContents({job("a", DownloadJob::downloading, 0.5), job("b", DownloadJob::waiting)},
                     {record("r")});
    EXPECT_EQ(resets.size(), 1);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].value<QModelIndex>().row(), 2);
    EXPECT_EQ(changes[0][1].value<QModelIndex>().row(), 2);
    rows.setContents({job("a", DownloadJob::downloading, 0.5), job("b", DownloadJob::waiting)},
                     {record("r")});
    EXPECT_EQ(changes.size(), 1) << "nothing changed";

    // "a" finishes: its row goes, its record comes, nothing resets.
    rows.setContents({job("b", DownloadJob::downloading)},
                     {record("a", DownloadQuality::original), record("r")});
    EXPECT_EQ(resets.size(), 1);
    ASSERT_EQ(removals.size(), 1);
    EXPECT_EQ(removals[0][1].toInt(), 2);
    ASSERT_EQ(insertions.size(), 1);
    EXPECT_EQ(insertions[0][1].toInt(), 4);
    EXPECT_EQ(rows.record(4)->id(), "a:original");

    // The last job finishes: the transfer rows go with it.
    rows.setContents(
        {}, {record("a", DownloadQuality::original), record("b", DownloadQuality::original), record("r")});
    EXPECT_EQ(resets.size(), 1);
    ASSERT_EQ(removals.size(), 2);
    EXPECT_EQ(removals[1][1].toInt(), 0);
    EXPECT_EQ(removals[1][2].toInt(), 2);
    ASSERT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(rows.record(2)->id(), "b:original");

    // Anything else resets: a new job, a removal, a reordering.
    rows.setContents({job("c", DownloadJob::waiting)}, rows.records());
    EXPECT_EQ(resets.size(), 2);
    rows.setContents(rows.jobs(), {record("r")});
    EXPECT_EQ(resets.size(), 3);
    rows.setContents({}, {});
    EXPECT_EQ(rows.rowCount(), 1) << "the offline heading stays";
}

TEST(DownloadsModelTest, SameSongInTwoQualitiesGivesTwoRecords) {
    DownloadsModel rows;
    rows.setContents({}, {record("s", DownloadQuality::original), record("s", DownloadQuality::mp3_192)});
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_NE(rows.record(1)->id(), rows.record(2)->id());
}

class DownloadsPageTest : public ::testing::Test {
protected:
    DownloadsPageTest() { LocaleEnvironment::useLang("en_US.UTF-8"); }

    void SetUp() override {
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
    }

    GuiModelWorld world;
    std::shared_ptr<AppModel> model;
};

TEST_F(DownloadsPageTest, EachJobOffersTheActionOfItsStatusAndClicksRunIt) {
    std::vector<std::string> calls;
    DownloadsList::Actions actions;
    actions.cancelAll = [&] { calls.push_back("cancelAll"); };
    actions.pause = [&](const std::string& id) { calls.push_back("pause " + id); };
    actions.retry = [&](const std::string& id) { calls.push_back("retry " + id); };
    actions.cancel = [&](const std::string& id) { calls.push_back("cancel " + id); };
    actions.play = [&](const DownloadRecord& made) { calls.push_back("play " + made.id()); };
    actions.remove = [&](const DownloadRecord& made) { calls.push_back("remove " + made.id()); };
    DownloadsList list(model.get(), actions);
    list.resize(520, 600);
    list.show();
    DownloadJob failed = job("f", DownloadJob::failed);
    failed.error = "The server closed the connection.";
    list.rows().setContents({job("d", DownloadJob::downloading), job("v", DownloadJob::verifying),
                             job("w", DownloadJob::waiting), job("p", DownloadJob::paused), failed},
                            {record("r")});
    processEvents();

    auto click = [&](int row, DownloadsHit button) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        const QRect target = list.cellDelegate().buttonRect(cell, row, button);
        if (target.isEmpty()) return false;
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, target.center());
        return true;
    };
    const std::vector<std::pair<int, DownloadsHit>> offered = {
        {2, DownloadsHit::pause}, {3, DownloadsHit::pause}, {4, DownloadsHit::retry},
        {5, DownloadsHit::retry}, {6, DownloadsHit::retry},
    };
    for (const auto& [row, action] : offered) {
        const DownloadsHit other = action == DownloadsHit::pause ? DownloadsHit::retry : DownloadsHit::pause;
        EXPECT_FALSE(click(row, other)) << row;
        EXPECT_TRUE(click(row, action)) << row;
    }
    EXPECT_TRUE(click(6, DownloadsHit::cancel));
    EXPECT_TRUE(click(1, DownloadsHit::cancelAll));
    EXPECT_TRUE(click(8, DownloadsHit::play));
    EXPECT_FALSE(click(8, DownloadsHit::cancel));
    // A press that leaves its button before the release does nothing.
    const QRect cell = list.visualRect(list.model()->index(8, 0));
    QTest::mousePress(list.viewport(), Qt::LeftButton, {},
                      list.cellDelegate().buttonRect(cell, 8, DownloadsHit::play).center());
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(30, 5));

    auto tip = [&](int row, DownloadsHit button) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        const QPoint point = list.cellDelegate().buttonRect(cell, row, button).center();
        QHelpEvent help(QEvent::ToolTip, point, list.viewport()->mapToGlobal(point));
        QApplication::sendEvent(list.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tip(2, DownloadsHit::cancel), QStringLiteral("Cancel download"));
    EXPECT_EQ(tip(8, DownloadsHit::play), QStringLiteral("Play offline copy"));
    EXPECT_EQ(tip(1, DownloadsHit::cancelAll), QString::fromLatin1(DownloadsDelegate::cancelAllHelp));

    std::unique_ptr<QMenu> menu(list.makeMenu(8, nullptr));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Remove Local Download"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(std::unique_ptr<QMenu>(list.makeMenu(2, nullptr)), nullptr);

    EXPECT_EQ(calls, (std::vector<std::string>{"pause d:original", "pause v:original", "retry w:original",
                                               "retry p:original", "retry f:original", "cancel f:original",
                                               "cancelAll", "play r:mp3_320", "remove r:mp3_320"}));
}

TEST_F(DownloadsPageTest, EmptyPageHeaderAndEmptyState) {
    DownloadsView view(model);
    view.resize(640, 480);
    view.show();
    processEvents();
    EXPECT_TRUE(view.summary().text().startsWith(QStringLiteral("0 files · ")))
        << view.summary().text().toStdString();
    EXPECT_FALSE(view.removeAllButton().isEnabled());
    EXPECT_TRUE(view.emptyState().isVisible());
    EXPECT_EQ(view.emptyState().title(), QStringLiteral("Take your music with you"));
    EXPECT_EQ(view.list().model()->rowCount(), 1);
    EXPECT_FALSE(saveScreenshot(view, kDownloadsFolder, "downloads-empty").isEmpty());
}

TEST_F(DownloadsPageTest, FinishedDownloadShowsInHeaderAndEnablesRemoveAll) {
    DownloadsView view(model);
    view.resize(640, 520);
    view.show();
    const std::int64_t before = model->songsRevision().value();
    model->setRoute("Songs");
    model->load();
    ASSERT_TRUE(waitUntil(
        [&] { return model->songsRevision().value() != before && !model->songs().value()->empty(); }));
    // The generated library's size and length belong to no file; the download checks both.
    Song song = model->songs().value()->front();
    song.size.reset();
    song.duration = 1.0;
    const auto file = fixtures::flac(fixtures::programFolder("downloads-page"), "song",
                                     fixtures::Tone{48000, 2, 16, 48000});
    std::ifstream in(file, std::ios::binary);
    world.server().setMedia(
        song.id, loopback::FakeMedia{.original = std::string(std::istreambuf_iterator<char>(in), {}),
                                     .contentType = "audio/flac",
                                     .mp3 = {}});
    model->downloads().enqueue({song}, DownloadQuality::original);
    const bool finished = waitUntil(
        [&] {
            view.flush();
            return model->downloads().records().value().size() == 1 &&
                   model->downloads().jobs().value().empty();
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(finished) << model->downloads().jobs().value().at(0).status << " "
                          << model->downloads().jobs().value().at(0).error.value_or("");
    processEvents();
    view.flush();
    EXPECT_TRUE(view.summary().text().startsWith(QStringLiteral("1 files · ")));
    EXPECT_TRUE(view.removeAllButton().isEnabled());
    EXPECT_FALSE(view.emptyState().isVisible());

    // The picture shows transfers in every state beside the real record.
    DownloadJob failed = job("f", DownloadJob::failed);
    failed.error = "The server closed the connection.";
    DownloadJob waitingLength = job("n", DownloadJob::downloading);
    DownloadJob running = job("d", DownloadJob::downloading, 0.62);
    running.expectedBytes = 9'000'000;
    running.receivedBytes = 5'580'000;
    view.list().rows().setContents({running, waitingLength, job("p", DownloadJob::paused), failed},
                                   model->downloads().records().value());
    EXPECT_FALSE(saveScreenshot(view, kDownloadsFolder, "downloads-full").isEmpty());

    view.removeAllButton().click();
    ASSERT_TRUE(waitUntil([&] {
        view.flush();
        return model->downloads().records().value().empty();
    }));
    view.flush();
    EXPECT_FALSE(view.removeAllButton().isEnabled());
}

TEST_F(DownloadsPageTest, ClosingTheErrorBoxClearsTheError) {
    DownloadsView view(model);
    view.resize(640, 480);
    view.show();
    model->downloads().setError("The file could not be removed.");
    view.flush();
    processEvents();
    ASSERT_NE(view.alert(), nullptr);
    EXPECT_TRUE(view.alert()->informativeText().contains(QStringLiteral("The file could not be removed.")));
    EXPECT_FALSE(saveScreenshot(*view.alert(), kDownloadsFolder, "downloads-alert").isEmpty());
    view.alert()->reject();
    processEvents();
    EXPECT_FALSE(model->downloads().error().value().has_value());
    view.flush();
    processEvents();
    EXPECT_EQ(view.alert(), nullptr);

    model->downloads().setError("Again.");
    view.flush();
    ASSERT_NE(view.alert(), nullptr);
    QTest::keyClick(view.alert(), Qt::Key_Escape);
    processEvents();
    EXPECT_FALSE(model->downloads().error().value().has_value());
}

} // namespace
} // namespace sorvalind::test
