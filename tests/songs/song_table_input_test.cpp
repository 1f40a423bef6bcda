// The table's mouse and key rules, and drops on a playlist page: hearts
// toggle without selecting or playing, the rating column opens its menu
// without selecting, double clicks and Return play in display order, right
// clicks select an unselected row first, and a drop moves only what still
// stands where it was dragged from.

#include "song_table_view_fixture.h"

#include "songs/song_drag.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>

namespace sorvalind::test {
namespace {

class SongTableInputTest : public SongTableViewFixture {
protected:
    QWidget* viewport() const { return view->table().viewport(); }

    void rightClick(int row) {
        const QPoint at = cellCenter(row, SongColumn::artist);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport()->mapToGlobal(at));
        QApplication::sendEvent(viewport(), &event);
    }

    void closeMenu() {
        if (QMenu* menu = view->table().openMenu()) menu->close();
        processEvents();
    }

    std::size_t starringRequests() { return requestCount("star") + requestCount("unstar"); }

    // As the desktop sends it: press, release, double click, release.
    void doubleClick(QPoint at) {
        QTest::mouseClick(viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(SongTableInputTest, MouseTable) {
    show("Songs");
    view->setSortOrder(comparators(SongTableSort::title));
    ASSERT_TRUE(settle());
    view->table().setFocus();

    // A heart press toggles through the model; nothing is selected or played.
    const std::string heartSong = row(1).song->id;
    const bool liked = row(1).liked() == 1;
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(1, SongColumn::liked));
    ASSERT_TRUE(waitUntil([&] { return (row(1).liked() == 1) != liked && starringRequests() == 1; }));
    EXPECT_TRUE(selectedRows().empty());
    EXPECT_FALSE(currentSongID());

    // A double click on a heart toggles once and never plays, whether the
    // second press comes as a double click or as a press.
    doubleClick(cellCenter(3, SongColumn::liked));
    ASSERT_TRUE(waitUntil([&] { return starringRequests() == 2; }));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(4, SongColumn::liked));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(4, SongColumn::liked));
    ASSERT_TRUE(waitUntil([&] { return starringRequests() == 3; }));
    QTest::qWait(300);
    EXPECT_EQ(starringRequests(), 3u);
    EXPECT_FALSE(currentSongID());
    EXPECT_TRUE(selectedRows().empty());

    // A click in the rating column opens the rating menu without selecting.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(2, SongColumn::rating));
    ASSERT_NE(view->table().openMenu(), nullptr);
    EXPECT_EQ(view->table().openMenu()->actions().size(), 6);
    EXPECT_EQ(view->table().openMenu()->actions().at(1)->text(), "1 stars");
    EXPECT_TRUE(selectedRows().empty());
    closeMenu();

    // A single click selects and plays nothing.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(4, SongColumn::album));
    EXPECT_EQ(selectedRows(), std::vector<int>{4});
    EXPECT_FALSE(currentSongID());

    // A right click on an unselected row makes it the only selected row.
    QTest::mouseClick(viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCenter(5, SongColumn::album));
    EXPECT_EQ(selectedRows(), (std::vector<int>{4, 5}));
    rightClick(5);
    ASSERT_NE(view->table().openMenu(), nullptr);
    EXPECT_EQ(view->table().openMenu()->actions().at(0)->text(), "Play") << "several songs: no details item";
    EXPECT_EQ(selectedRows(), (std::vector<int>{4, 5}));
    closeMenu();
    rightClick(0);
    EXPECT_EQ(selectedRows(), std::vector<int>{0});
    ASSERT_NE(view->table().openMenu(), nullptr);
    EXPECT_EQ(view->table().openMenu()->actions().at(0)->text(), "Song Details…");
    closeMenu();

    // A double click on a title plays the whole list in display order from there.
    doubleClick(cellCenter(6, SongColumn::title));
    ASSERT_TRUE(waitUntil([&] { return currentSongID().has_value(); }));
    EXPECT_EQ(currentSongID(), row(6).song->id);
    const auto& queue = model->playback().controller()->queue().value();
    ASSERT_FALSE(queue.context.empty());
    EXPECT_EQ(queue.context.front().song.id, row(7).song->id);
    EXPECT_EQ(heartSong, row(1).song->id);
}

// A desktop that activates items on a single click.
class SingleClickStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == QStyle::SH_ItemView_ActivateItemOnSingleClick) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

TEST_F(SongTableInputTest, SingleClickActivationPlaysNothing) {
    show("Songs");
    SingleClickStyle style;
    view->table().setStyle(&style);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, cellCenter(2, SongColumn::title));
    QTest::qWait(200);
    EXPECT_EQ(selectedRows(), std::vector<int>{2});
    EXPECT_FALSE(currentSongID());
    view->table().setStyle(nullptr);
}

TEST_F(SongTableInputTest, MenuKeysOpenTheMenuAtTheCurrentRow) {
    show("Songs");
    view->table().setFocus();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F10, Qt::ShiftModifier}, std::pair{Qt::Key_Menu, Qt::NoModifier}}) {
        view->table().selectRow(3);
        processEvents();
        QTest::keyClick(&view->table(), key, modifiers);
        QMenu* menu = view->table().openMenu();
        ASSERT_NE(menu, nullptr) << key;
        const QRect rowRect = view->table().visualRect(view->tableModel().index(3, 0));
        const QPoint rowBottom = viewport()->mapToGlobal(rowRect.bottomLeft());
        EXPECT_NEAR(menu->pos().y(), rowBottom.y(), 2) << key;
        EXPECT_EQ(menu->actions().at(0)->text(), "Song Details…");
        closeMenu();
    }
    QTest::keyClick(&view->table(), Qt::Key_F10);
    EXPECT_EQ(view->table().openMenu(), nullptr) << "F10 alone is not the menu key";
}

TEST_F(SongTableInputTest, ReturnPlaysTheRowReportedAsSelected) {
    show("Songs");
    view->table().setFocus();
    struct Case {
        std::vector<int> select;
        int current;
        std::optional<int> plays;
    };
    const Case cases[] = {
        {{}, -1, std::nullopt},
        {{3}, 3, 3},
        {{2, 5, 7}, 5, 5},
        {{2, 5, 7}, 1, 7}, // the current row is not selected: the last selected one
    };
    for (const Case& c : cases) {
        QItemSelectionModel& selection = *view->table().selectionModel();
        selection.clear();
        if (c.current >= 0)
            selection.setCurrentIndex(view->tableModel().index(c.current, 0), QItemSelectionModel::NoUpdate);
        for (int r : c.select)
            selection.select(view->tableModel().index(r, 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(&view->table(), Qt::Key_Return);
        if (c.plays) {
            // Each case plays another row than the one before.
            EXPECT_TRUE(waitUntil([&] { return currentSongID() == row(*c.plays).song->id; }))
                << "row " << *c.plays;
        } else {
            processEvents();
            EXPECT_FALSE(currentSongID());
        }
    }
}

TEST_F(SongTableInputTest, DropsMoveOnlyCurrentRowsOfAnUnsortedPlaylist) {
    const Playlist playlist = model->playlists().value().front();
    show("playlist:" + playlist.id);
    const int count = view->tableModel().rowCount();
    ASSERT_GE(count, 4);
    auto payload = [&](int r) {
        return QString::fromStdString(SongDrag{row(r).song->id, row(r).index}.encode());
    };
    auto saved = [&] { return requestCount("createPlaylist") + requestCount("updatePlaylist"); };

    // The rows' drag data: the first row as plain text, every row as the list.
    std::unique_ptr<QMimeData> mime(view->dragData({2, 0}));
    EXPECT_EQ(mime->text(), payload(2));
    EXPECT_EQ(SongDrag::decodeList(mime->data(SongDrag::listMimeType).toStdString())->size(), 2u);

    struct Case {
        const char* name;
        QString payload;
        int row;
        bool accepted;
    };
    const Case refused[] = {
        {"undecodable", "row 1", 0, false},
        {"stale song", QString::fromStdString(SongDrag{"no-such-song", 1}.encode()), 0, false},
        {"stale index", QString::fromStdString(SongDrag{row(1).song->id, 99}.encode()), 0, false},
        {"past the count", payload(1), count + 1, false},
    };
    for (const Case& c : refused)
        EXPECT_EQ(view->acceptDrop(c.payload, c.row), c.accepted) << c.name;
    EXPECT_EQ(saved(), 0u);

    // Sorted, nothing moves.
    view->setSortOrder(comparators(SongTableSort::title));
    EXPECT_FALSE(view->acceptsMoves()) << "while preparing";
    ASSERT_TRUE(settle());
    EXPECT_FALSE(view->acceptDrop(payload(0), 2));
    view->setSortOrder({});
    ASSERT_TRUE(settle());

    // Past the end moves the first row last; no row leaves the table.
    const std::vector<std::string> before = [&] {
        std::vector<std::string> ids;
        for (int r = 0; r < count; ++r)
            ids.push_back(row(r).song->id);
        return ids;
    }();
    EXPECT_TRUE(view->acceptDrop(payload(0), count));
    EXPECT_EQ(view->tableModel().rowCount(), count);
    ASSERT_TRUE(waitUntil([&] { return saved() == 1; }));
    std::vector<std::string> sent;
    for (const auto& request : world.server().requests())
        if (request.restMethod == "createPlaylist" || request.restMethod == "updatePlaylist")
            sent = request.paramValues("songId");
    std::vector<std::string> expected(before.begin() + 1, before.end());
    expected.push_back(before.front());
    EXPECT_EQ(sent, expected);
}

TEST_F(SongTableInputTest, LibraryTableTakesNoDropsAndHasNoRemove) {
    show("Songs");
    EXPECT_FALSE(view->acceptsMoves());
    EXPECT_FALSE(view->acceptDrop(QString::fromStdString(SongDrag{row(0).song->id, 0}.encode()), 1));
    view->table().selectRow(0);
    processEvents();
    EXPECT_FALSE(view->removeButton().isVisibleTo(view.get()));
}

TEST_F(SongTableInputTest, RemoveSavesTheRestInPlaylistOrderAndWaitsForCurrentRows) {
    const Playlist playlist = model->playlists().value().front();
    show("playlist:" + playlist.id);
    view->setSortOrder(comparators(SongTableSort::title));
    EXPECT_FALSE(view->removeButton().isEnabled()) << "disabled while the rows are prepared";
    ASSERT_TRUE(settle());
    view->table().selectAll();
    processEvents();
    ASSERT_TRUE(view->removeButton().isVisibleTo(view.get()));
    ASSERT_TRUE(view->removeButton().isEnabled());
    view->removeButton().click();
    ASSERT_TRUE(
        waitUntil([&] { return requestCount("createPlaylist") + requestCount("updatePlaylist") > 0; }));
    EXPECT_TRUE(view->selection().empty());
}

} // namespace
} // namespace sorvalind::test
