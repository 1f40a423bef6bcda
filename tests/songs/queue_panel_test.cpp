// The queue panel over a real model and playback controller: its header,
// empty state, menus and drops through the table, and its pictures.

#include "songs/content_unavailable_view.h"
#include "songs/queue_cell_delegate.h"
#include "songs/queue_panel.h"
#include "songs/queue_table_view.h"
#include "support/locale_environment.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include "playback/playback_controller.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>

#include <memory>

namespace sorvalind::test {
namespace {

const QString kQueueFolder = QStringLiteral("player");

class QueuePanelTest : public ::testing::Test {
protected:
    QueuePanelTest()
        : world({.artists = 2,
                 .albumsPerArtist = 1,
                 .songsPerAlbum = 4,
                 .playlists = 0,
                 .songsPerPlaylist = 0}) {
        LocaleEnvironment::useLang("en_US.UTF-8");
    }

    void SetUp() override {
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
        controller = model->playback().controller();
        ASSERT_NE(controller, nullptr);
        const std::int64_t before = model->songsRevision().value();
        model->setRoute("Songs");
        model->load();
        ASSERT_TRUE(waitUntil(
            [&] { return model->songsRevision().value() != before && !model->songs().value()->empty(); }));
        songs = *model->songs().value();
        panel = std::make_unique<QueuePanel>(model);
        panel->resize(320, 560);
        panel->show();
        settle();
    }

    void TearDown() override { panel.reset(); }

    void settle() {
        processEvents();
        panel->flush();
        processEvents();
    }

    // Plays the first four songs from the second and queues the last two by hand.
    void fill() {
        controller->play({songs.begin(), songs.begin() + 4}, std::nullopt, 1, std::nullopt);
        controller->pause();
        controller->enqueue({songs.end() - 2, songs.end()}, true);
        ASSERT_TRUE(waitUntil([&] {
            processEvents();
            panel->flush();
            return panel->queue().current && panel->queue().manual.size() == 2;
        }));
        settle();
    }

    // A drag of `text` dropped onto `point` of the table's viewport; true when accepted.
    bool drop(const QString& text, QPoint point) {
        QMimeData data;
        data.setData(QStringLiteral("text/plain"), text.toUtf8());
        QWidget* viewport = panel->table().viewport();
        QDragEnterEvent enter(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        if (!move.isAccepted()) return false;
        QDropEvent dropped(QPointF(point), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropped);
        return dropped.isAccepted();
    }

    QRect rowRect(int row) const {
        QueueTableView& table = panel->table();
        return table.visualRect(table.model()->index(row, 0));
    }

    std::vector<std::string> upcomingIDs() const {
        std::vector<std::string> ids;
        for (const QueueEntry& entry : controller->queue().value().upcoming())
            ids.push_back(entry.id);
        return ids;
    }

    GuiModelWorld world;
    std::shared_ptr<AppModel> model;
    PlaybackController* controller = nullptr;
    std::vector<Song> songs;
    std::unique_ptr<QueuePanel> panel;
};

TEST_F(QueuePanelTest, EmptyQueueShowsTheEmptyStateAndNoClear) {
    EXPECT_EQ(panel->table().model()->rowCount(), 0);
    EXPECT_FALSE(panel->clearButton().isVisible());
    EXPECT_TRUE(panel->emptyState().isVisible());
    EXPECT_EQ(panel->emptyState().title(), QStringLiteral("Your queue is clear"));
    EXPECT_EQ(panel->table().accessibleName(), QStringLiteral("Playback queue"));
    EXPECT_FALSE(saveScreenshot(*panel, kQueueFolder, "queue-empty").isEmpty());

    panel->closeButton().click();
    EXPECT_FALSE(model->queuePresented().value());
}

TEST_F(QueuePanelTest, FullQueueRowsHeightsClearAndMenus) {
    controller->play({songs.front()}, std::nullopt, 0, std::nullopt);
    controller->pause();
    ASSERT_TRUE(waitUntil([&] {
        panel->flush();
        return panel->queue().current.has_value();
    }));
    settle();
    EXPECT_EQ(panel->table().model()->rowCount(), 2) << "current only";
    EXPECT_FALSE(panel->clearButton().isVisible());
    EXPECT_FALSE(panel->emptyState().isVisible());

    fill();
    QueueTableView& table = panel->table();
    // Now playing, current, Next in queue, 2 manual, From your listening context, 2 context.
    ASSERT_EQ(table.model()->rowCount(), 8);
    EXPECT_TRUE(panel->clearButton().isVisible());
    EXPECT_EQ(table.rowHeight(0), QueueCellDelegate::headingHeight);
    EXPECT_EQ(table.rowHeight(1), QueueCellDelegate::songHeight);
    EXPECT_EQ(table.rowHeight(2), QueueCellDelegate::headingHeight);
    EXPECT_EQ(table.rowHeight(5), QueueCellDelegate::headingHeight);
    EXPECT_EQ(table.rowHeight(7), QueueCellDelegate::songHeight);

    auto texts = [&](int row) {
        std::unique_ptr<QMenu> menu(table.makeMenu(row, nullptr));
        QStringList out;
        if (menu)
            for (QAction* action : menu->actions())
                out << action->text();
        return out;
    };
    EXPECT_EQ(texts(0), QStringList());
    EXPECT_EQ(texts(1), QStringList({QStringLiteral("Song Details…")}));
    EXPECT_EQ(texts(3), QStringList({QStringLiteral("Song Details…"), QStringLiteral("Remove from Queue")}));
    EXPECT_EQ(texts(99), QStringList());

    std::unique_ptr<QMenu> menu(table.makeMenu(6, nullptr));
    menu->actions().at(0)->trigger();
    ASSERT_TRUE(model->detailsSong().value().has_value());
    EXPECT_EQ(model->detailsSong().value()->id, controller->queue().value().context[0].song.id);
    EXPECT_FALSE(saveScreenshot(*panel, kQueueFolder, "queue-full").isEmpty());

    panel->clearButton().click();
    EXPECT_TRUE(controller->queue().value().manual.empty());
    settle();
    EXPECT_FALSE(panel->clearButton().isVisible());
    EXPECT_EQ(table.model()->rowCount(), 5);
}

TEST_F(QueuePanelTest, DropsThroughTheTableMoveOnceAndWaitForTheController) {
    fill();
    const QueueState queue = controller->queue().value();
    const QString manualFirst = QString::fromStdString(queue.manual[0].id);
    const QString contextLast = QString::fromStdString(queue.context.back().id);
    const int rows = panel->table().model()->rowCount();
    const auto before = upcomingIDs();

    auto above = [&](int row) { return rowRect(row).topLeft() + QPoint(40, 2); };
    auto below = [&](int row) { return rowRect(row).bottomLeft() + QPoint(40, -2); };
    EXPECT_FALSE(drop(contextLast, above(1))) << "on the current row";
    EXPECT_FALSE(drop(contextLast, rowRect(5).center())) << "on a heading";
    EXPECT_FALSE(drop(contextLast, below(rows - 1))) << "below the last row";
    EXPECT_FALSE(drop(QStringLiteral("not a queue entry"), above(3))) << "not a UUID";
    EXPECT_FALSE(drop(QStringLiteral("00000000-0000-4000-8000-0000000000FF"), above(3))) << "unknown entry";
    EXPECT_EQ(upcomingIDs(), before);

    auto& shown = *static_cast<QueueTableModel*>(panel->table().model());
    EXPECT_TRUE(drop(contextLast, above(3)));
    EXPECT_EQ(shown.rowCount(), rows) << "no row removed by Qt";
    EXPECT_EQ(shown.row(3)->entry->id, manualFirst.toStdString()) << "the rows wait for the controller";
    const auto after = upcomingIDs();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.front(), contextLast.toStdString());
    EXPECT_EQ(after[1], manualFirst.toStdString());
    settle();
    EXPECT_EQ(controller->queue().value().manual.size(), 3u);
    EXPECT_EQ(shown.row(3)->entry->id, contextLast.toStdString());
    EXPECT_EQ(shown.rowCount(), rows);
}

// Going offline while a song plays lets the controller move past what cannot
// play; the faded look of the rest is drawn over a queue handed in directly.
TEST_F(QueuePanelTest, OfflineFadesSongsThatAreNotDownloaded) {
    fill();
    const QueueState queue = controller->queue().value();
    QueueTableModel rows([](const std::string&, const std::string&) {});
    rows.update(queue, true, {queue.current->song.id, queue.context[0].song.id});
    QueueTableView table(model.get(), rows, {});
    table.resize(320, 420);
    EXPECT_TRUE(rows.isAvailable(queue.context[0].song));
    EXPECT_FALSE(rows.isAvailable(queue.manual[0].song));
    EXPECT_FALSE(saveScreenshot(table, kQueueFolder, "queue-offline").isEmpty());
}

TEST_F(QueuePanelTest, CoversAreAskedForOnlyForPaintedRows) {
    QueueState queue;
    for (int i = 0; i < 40; ++i) {
        Song song = songs[static_cast<std::size_t>(i) % songs.size()];
        song.coverArt = "cover-" + std::to_string(i);
        queue.context.emplace_back(song);
    }
    QueueTableModel rows([](const std::string&, const std::string&) {});
    rows.update(queue, false, {});
    QueueTableView table(model.get(), rows, {});
    table.resize(320, 300);
    table.show();
    processEvents();
    const std::size_t asked = table.cellDelegate().requestedCovers().size();
    EXPECT_GT(asked, 0u);
    EXPECT_LE(asked, 8u) << "about six rows fit";
    EXPECT_FALSE(table.cellDelegate().requestedCovers().contains("cover-39"));
}

} // namespace
} // namespace sorvalind::test
