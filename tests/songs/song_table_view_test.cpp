// The song table over a real model: the Qt model's contract, the values it
// shows, the header and picker writing one sort order, and the update rules
// (an edit repaints its rows alone, a new list resets keeping the
// selection, connectivity only repaints).

#include "song_table_view_fixture.h"

#include "song_rows_fixture.h"

#include "songs/song_cell_delegates.h"

#include "platform/text/collator.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace sorvalind::test {
namespace {

using SongTableViewTest = SongTableViewFixture;

TEST(SongTableValues, CellTextsAndAccessibleHeart) {
    Song plain = song("a", "Plain");
    Song full = song("b", "Full");
    full.userRating = 3;
    full.suffix = "flac";
    full.album = "Album";
    full.genres = std::vector<ItemGenre>{{"Rock"}, {"Pop"}};
    full.duration = 61.9;
    full.starred = "2024-01-01T00:00:00Z";
    const SongTableRow plainRow(0, plain);
    const SongTableRow fullRow(1, full);
    struct Case {
        const SongTableRow* row;
        SongColumn column;
        QString text;
    };
    const Case cases[] = {
        {&plainRow, SongColumn::rating, "—"},
        {&fullRow, SongColumn::rating, "3 ★"},
        {&plainRow, SongColumn::quality, "—"},
        {&fullRow, SongColumn::quality, "FLAC"},
        {&plainRow, SongColumn::album, "—"},
        {&fullRow, SongColumn::album, "Album"},
        {&plainRow, SongColumn::genre, "—"},
        {&fullRow, SongColumn::genre, "Rock, Pop"},
        {&plainRow, SongColumn::duration, "0:00"},
        {&fullRow, SongColumn::duration, "1:01"},
        {&plainRow, SongColumn::artist, "Unknown Artist"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(songCellText(*c.row, c.column), c.text) << c.text.toStdString();
}

TEST(SongTableValues, TimesLineUpInTabularDigits) {
    const QFontMetrics metrics(QApplication::font());
    auto lefts = [&](const QString& text) {
        std::vector<int> x;
        for (const QRect& cell : tabularCells(text, metrics, 10, 0, 24))
            x.push_back(cell.left());
        return x;
    };
    // Narrow and wide digits take the same places, so the colons line up.
    for (const char* time : {"8:08", "0:00", "4:44"})
        EXPECT_EQ(lefts(time), lefts("1:11")) << time;
    EXPECT_EQ(lefts("11:11").back(), lefts("88:88").back());
    const std::vector<QRect> cells = tabularCells("1:11", metrics, 10, 0, 24);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0].width(), cells[2].width());
    EXPECT_EQ(cells[1].width(), metrics.horizontalAdvance(QLatin1Char(':')));
    EXPECT_GE(cells[0].width(), metrics.horizontalAdvance(QLatin1Char('1')));
}

TEST_F(SongTableViewTest, ModelContractAcrossLoadsSortsAndEdits) {
    show("Songs");
    QAbstractItemModelTester tester(&view->tableModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int count = view->tableModel().rowCount();
    EXPECT_EQ(count, static_cast<int>(model->songs().value()->size()));
    EXPECT_EQ(view->countLabel().text(), QString("%1 songs").arg(count));
    EXPECT_EQ(view->table().accessibleName(), "Songs");
    EXPECT_EQ(view->table().rowHeight(0), 24);
    const QModelIndex heart = view->tableModel().index(0, static_cast<int>(SongColumn::liked));
    EXPECT_EQ(heart.data(Qt::AccessibleTextRole).toString(),
              QString::fromStdString((row(0).liked() ? "Unlike " : "Like ") + row(0).title()));
    EXPECT_FALSE(view->tableModel().index(count, 0).data().isValid());

    view->setSortOrder(comparators(SongTableSort::title));
    ASSERT_TRUE(settle());
    const text::Collator collator("en_US");
    for (int i = 1; i < count; ++i)
        EXPECT_TRUE(collator.compare(row(i - 1).title(), row(i).title()) <= 0) << i;
    model->favorite(*row(0).song);
    ASSERT_TRUE(waitUntil([&] { return view->data().revision() >= 3; }));
}

TEST_F(SongTableViewTest, HeaderClicksAndPickerWriteOneOrder) {
    show("Songs");
    using P = SongSortProperty;
    QHeaderView& header = *view->table().horizontalHeader();
    struct Step {
        std::function<void()> act;
        SongSortOrder order;
        QString picker;
        int indicator;
        Qt::SortOrder direction;
    };
    const int title = static_cast<int>(SongColumn::title);
    const int liked = static_cast<int>(SongColumn::liked);
    const int album = static_cast<int>(SongColumn::album);
    const Step steps[] = {
        {[] {}, {}, "Original Order", -1, Qt::AscendingOrder},
        {[&] { view->clickHeader(title); }, {{P::title, false}}, "Title", title, Qt::AscendingOrder},
        {[&] { view->clickHeader(title); }, {{P::title, true}}, "Title", title, Qt::DescendingOrder},
        {[&] { view->clickHeader(liked); },
         {{P::liked, true}, {P::title, true}},
         "Liked",
         liked,
         Qt::DescendingOrder},
        // Another column comes first in its own initial order.
        {[&] { view->clickHeader(title); },
         {{P::title, false}, {P::liked, true}},
         "Title",
         title,
         Qt::AscendingOrder},
        {[&] { view->sortPicker().setCurrentIndex(static_cast<int>(SongTableSort::album)); },
         {{P::album, false}, {P::disc, false}, {P::track, false}},
         "Album",
         album,
         Qt::AscendingOrder},
        {[&] { view->sortPicker().setCurrentIndex(static_cast<int>(SongTableSort::added)); },
         {{P::created, true}},
         "Recently Added",
         -1,
         Qt::AscendingOrder},
        {[&] { view->sortPicker().setCurrentIndex(0); }, {}, "Original Order", -1, Qt::AscendingOrder},
    };
    int n = 0;
    for (const Step& step : steps) {
        step.act();
        ASSERT_TRUE(settle());
        EXPECT_EQ(view->sortOrder(), step.order) << "step " << n;
        EXPECT_EQ(view->sortPicker().currentText(), step.picker) << "step " << n;
        EXPECT_EQ(header.sortIndicatorSection(), step.indicator) << "step " << n;
        if (step.indicator >= 0) {
            EXPECT_EQ(header.sortIndicatorOrder(), step.direction) << "step " << n;
        }
        ++n;
    }
    // A real click on a header goes the same way.
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                      QPoint(header.sectionViewportPosition(liked) + 10, header.height() / 2));
    ASSERT_TRUE(settle());
    EXPECT_EQ(view->sortOrder(), (SongSortOrder{{P::liked, true}}));
}

TEST_F(SongTableViewTest, AnEditRepaintsItsRowsAloneAndANewListKeepsTheSelection) {
    show("Songs");
    view->setSortOrder(comparators(SongTableSort::title));
    ASSERT_TRUE(settle());
    QSignalSpy changed(&view->tableModel(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&view->tableModel(), &QAbstractItemModel::modelReset);

    const int target = 2;
    const std::string songID = row(target).song->id;
    const bool wasLiked = row(target).liked() == 1;
    model->favorite(*row(target).song);
    ASSERT_TRUE(waitUntil([&] { return (row(target).liked() == 1) != wasLiked && changed.count() > 0; }));
    processEvents();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), target);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().row(), target);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(row(target).song->id, songID) << "a favourite edit under a title sort moves nothing";
    EXPECT_EQ(view->request().metadataSortRevision, 0)
        << "no new preparation for a key the sort does not read";

    // Under "Liked" the same kind of edit prepares the rows again.
    view->setSortOrder(comparators(SongTableSort::liked));
    ASSERT_TRUE(settle());
    const Song liking = *row(view->tableModel().rowCount() - 1).song;
    ASSERT_FALSE(liking.starred);
    model->favorite(liking);
    ASSERT_TRUE(waitUntil([&] { return view->request().metadataSortRevision == 1; }));
    ASSERT_TRUE(settle());
    const std::uint32_t moved = view->data().prepared().rowsBySongID(liking.id).front();
    for (std::uint32_t r = 0; r <= moved; ++r)
        EXPECT_EQ(row(static_cast<int>(r)).liked(), 1) << "row " << r;
    changed.clear();
    reset.clear();

    // Connectivity repaints only.
    changed.clear();
    model->setForceOfflineMode(true);
    ASSERT_TRUE(waitUntil([&] { return model->isOffline().value(); }));
    processEvents();
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(view->tableModel().index(0, 0).data(SongTableModel::AvailableRole).toBool());
}

TEST_F(SongTableViewTest, SelectionSurvivesAResortAndRemoveFollowsPreparation) {
    show("Songs");
    view->table().setFocus();
    view->table().selectRow(1);
    QTest::keyClick(&view->table(), Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(view->selection().size(), 2u);
    const std::set<std::string> selected = view->selection();
    EXPECT_TRUE(view->playSelectionButton().isVisibleTo(view.get()));
    EXPECT_TRUE(view->downloadButton().isVisibleTo(view.get()));
    EXPECT_FALSE(view->removeButton().isVisibleTo(view.get())) << "not a playlist";

    view->clickHeader(static_cast<int>(SongColumn::title));
    view->clickHeader(static_cast<int>(SongColumn::title));
    ASSERT_TRUE(settle());
    EXPECT_EQ(view->selection(), selected);
    std::vector<int> expected;
    for (const std::string& id : selected)
        expected.push_back(static_cast<int>(*view->data().prepared().rowByID(id)));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(selectedRows(), expected);

    // Another list keeps only the identifiers it still has.
    view->table().selectAll();
    processEvents();
    const std::size_t all = view->selection().size();
    load("playlist:" + model->playlists().value().front().id);
    ASSERT_TRUE(settle());
    EXPECT_LT(view->selection().size(), all);
    for (const std::string& id : view->selection())
        EXPECT_TRUE(view->data().prepared().rowByID(id)) << id;
}

TEST_F(SongTableViewTest, ARevealSelectsTheSongOnceItsAlbumRowsArePrepared) {
    show("Songs");
    const Song wanted = *row(4).song;
    ASSERT_TRUE(wanted.albumId);
    const std::int64_t before = model->songsRevision().value();
    model->showAlbum(wanted);
    model->load();
    ASSERT_TRUE(waitUntil([&] { return model->songsRevision().value() != before; }));
    ASSERT_TRUE(settle());
    ASSERT_TRUE(waitUntil([&] { return view->selection().size() == 1; }));
    const std::string id = *view->selection().begin();
    EXPECT_EQ(view->data().prepared().rows()[*view->data().prepared().rowByID(id)].song->id, wanted.id);
    // The same request does not select again once the user moved on.
    view->table().clearSelection();
    processEvents();
    model->setQuery("");
    processEvents();
    EXPECT_TRUE(view->selection().empty());
}

TEST(SongTableModelRows, PlayingMarkAndChangedRunsCoverDuplicates) {
    VirtualClock clock;
    ManualExecutor worker{clock};
    ManualExecutor main{clock};
    SongTableData data{worker, main};
    std::vector<Song> songs;
    for (int i = 0; i < 9; ++i)
        songs.push_back(song("s" + std::to_string(i), "Song " + std::to_string(i)));
    songs[2] = songs[1];
    songs[7] = songs[1];
    data.load(listOf(songs), {});
    while (worker.runUntilIdle() + main.runUntilIdle() > 0) {
    }
    SongTableModel model(data);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.rowsReplaced();
    model.setCurrentSongID("s1");
    std::vector<int> playing;
    for (int r = 0; r < model.rowCount(); ++r)
        if (model.index(r, 0).data(SongTableModel::PlayingRole).toBool()) playing.push_back(r);
    EXPECT_EQ(playing, (std::vector<int>{1, 2, 7}));
    EXPECT_FALSE(model.index(1, 1).data(SongTableModel::PlayingRole).toBool()) << "only the title column";

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.rowsChanged({1, 2, 7, 8, 40});
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(changed.at(0).at(1).toModelIndex().row(), 2);
    EXPECT_EQ(changed.at(1).at(0).toModelIndex().row(), 7);
    EXPECT_EQ(changed.at(1).at(1).toModelIndex().row(), 8);
    EXPECT_EQ(changed.at(1).at(1).toModelIndex().column(), 7);
}

} // namespace
} // namespace sorvalind::test
