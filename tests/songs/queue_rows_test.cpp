// The queue table's rows and its drop rules, over plain queues.

#include "songs/queue_rows.h"
#include "songs/queue_table_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QMimeData>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind {
namespace {

QueueEntry entry(const std::string& id, const std::string& title) {
    Song song;
    song.id = "song-" + title;
    song.title = title;
    return QueueEntry(id, song);
}

const std::string kCurrent = "00000000-0000-4000-8000-000000000001";
const std::string kManual = "00000000-0000-4000-8000-000000000002";
const std::string kContextA = "00000000-0000-4000-8000-000000000003";
const std::string kContextB = "00000000-0000-4000-8000-000000000004";
const std::string kPlayed = "00000000-0000-4000-8000-000000000005";

QueueState fullQueue() {
    QueueState queue;
    queue.current = entry(kCurrent, "Now");
    queue.manual = {entry(kManual, "Next")};
    queue.context = {entry(kContextA, "Later A"), entry(kContextB, "Later B")};
    queue.history = {entry(kPlayed, "Played")};
    return queue;
}

// Each row as text: "# heading", "* current title" or "- title".
std::vector<std::string> describe(const std::vector<QueueRow>& rows) {
    std::vector<std::string> out;
    for (const QueueRow& row : rows) {
        if (row.isHeading())
            out.push_back("# " + *row.heading);
        else
            out.push_back((row.current ? "* " : "- ") + row.entry->song.title);
    }
    return out;
}

TEST(QueueRows, SectionsFollowTheQueueAndNeverShowTheHistory) {
    QueueState currentOnly;
    currentOnly.current = entry(kCurrent, "Now");
    currentOnly.history = {entry(kPlayed, "Played")};
    QueueState contextOnly;
    contextOnly.context = {entry(kContextA, "Later A")};

    const std::vector<std::pair<QueueState, std::vector<std::string>>> cases = {
        {QueueState{}, {}},
        {currentOnly, {"# Now playing", "* Now"}},
        {fullQueue(),
         {"# Now playing", "* Now", "# Next in queue", "- Next", "# From your listening context", "- Later A",
          "- Later B"}},
        {contextOnly, {"# From your listening context", "- Later A"}},
    };
    for (const auto& [queue, expected] : cases)
        EXPECT_EQ(describe(queueRows(queue)), expected);
}

class QueueTableModelTest : public ::testing::Test {
protected:
    QueueTableModelTest()
        : model(
              [this](const std::string& id, const std::string& before) { moves.emplace_back(id, before); }) {
        model.update(fullQueue(), false, {});
    }

    static std::unique_ptr<QMimeData> payload(const QString& text) {
        auto data = std::make_unique<QMimeData>();
        data->setData(QStringLiteral("text/plain"), text.toUtf8());
        return data;
    }

    QueueTableModel model;
    std::vector<std::pair<std::string, std::string>> moves;
};

TEST_F(QueueTableModelTest, DropsLandAboveASongRowOfAnotherEntryAndAreRefusedElsewhere) {
    // Rows: 0 "Now playing", 1 current, 2 "Next in queue", 3 manual, 4 heading, 5 context A, 6 context B.
    const QModelIndex root;
    struct Case {
        const char* what;
        QString text;
        int row;
        int onRow; // a drop On that row (row -1), or -1
        std::optional<int> target;
    };
    const QString contextB = QString::fromStdString(kContextB);
    const std::vector<Case> cases = {
        {"above a manual row", contextB, 3, -1, 3},
        {"on a manual row", contextB, -1, 3, 3},
        {"below the manual row is above the next heading", contextB, 4, -1, std::nullopt},
        {"below a context row", QString::fromStdString(kManual), 6, -1, 6},
        {"on the current row", contextB, 1, -1, std::nullopt},
        {"on a heading", contextB, -1, 2, std::nullopt},
        {"below the last row", contextB, 7, -1, std::nullopt},
        {"onto the viewport", contextB, -1, -1, std::nullopt},
        {"the current entry dragged", QString::fromStdString(kCurrent), 5, -1, std::nullopt},
        {"not a UUID", QStringLiteral("song-Next"), 5, -1, std::nullopt},
        {"an unknown entry", QStringLiteral("00000000-0000-4000-8000-0000000000FF"), 5, -1, std::nullopt},
        {"a history entry", QString::fromStdString(kPlayed), 5, -1, std::nullopt},
        {"lower-case identifier", contextB.toLower(), 3, -1, 3},
    };
    for (const Case& each : cases) {
        const auto data = payload(each.text);
        const QModelIndex parent = each.onRow >= 0 ? model.index(each.onRow, 0) : root;
        EXPECT_EQ(model.dropTarget(data.get(), each.row, parent), each.target) << each.what;
        EXPECT_EQ(model.canDropMimeData(data.get(), Qt::MoveAction, each.row, 0, parent),
                  each.target.has_value())
            << each.what;
    }

    const auto dragged = payload(contextB);
    EXPECT_FALSE(model.dropMimeData(dragged.get(), Qt::MoveAction, 1, 0, root));
    EXPECT_TRUE(moves.empty());
    EXPECT_TRUE(model.dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, root));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], std::make_pair(kContextB, kManual));
    // The rows wait for the controller's next queue.
    EXPECT_EQ(model.rowCount(), 7);
    EXPECT_FALSE(model.removeRows(3, 1));
}

TEST_F(QueueTableModelTest, DragPayloadIsTheEntryIdentifierAndHeadingsAreNotSelectable) {
    const std::unique_ptr<QMimeData> data(model.mimeData({model.index(5, 0)}));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text().toStdString(), kContextA);
    EXPECT_EQ(std::unique_ptr<QMimeData>(model.mimeData({model.index(0, 0)})), nullptr);
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsSelectable));
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsDragEnabled));
    EXPECT_TRUE(model.flags(model.index(1, 0)).testFlag(Qt::ItemIsSelectable));
}

TEST_F(QueueTableModelTest, ReloadsOnlyWhenWhatItShowsChanged) {
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QueueState queue = fullQueue();
    EXPECT_FALSE(model.update(queue, false, {}));
    queue.history.clear();
    EXPECT_FALSE(model.update(queue, false, {})) << "the history is not shown";
    queue.context[0].song.starred = "2026-01-01T00:00:00Z";
    EXPECT_TRUE(model.update(queue, false, {})) << "an edited song";
    EXPECT_TRUE(model.update(queue, true, {})) << "offline";
    EXPECT_FALSE(model.isAvailable(queue.context[0].song));
    EXPECT_TRUE(model.update(queue, true, {queue.context[0].song.id})) << "downloaded";
    EXPECT_TRUE(model.isAvailable(queue.context[0].song));
    queue.move(kContextB, kManual);
    EXPECT_TRUE(model.update(queue, true, {queue.context[0].song.id})) << "moved into the manual part";
    EXPECT_EQ(model.manualCount(), 2);
    EXPECT_TRUE(model.update(QueueState{}, false, {}));
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
} // namespace sorvalind
