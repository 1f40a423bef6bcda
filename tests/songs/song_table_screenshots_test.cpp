// Pictures of the song table for a person to look at: the selection with
// and without focus, the playing row, songs dimmed offline, the sort
// indicator, both empty states, and the context and rating menus.

#include "song_table_view_fixture.h"

#include "support/widgets/screenshots.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

namespace sorvalind::test {
namespace {

const QString kFolder = QStringLiteral("song-table");

using SongTableScreenshots = SongTableViewFixture;

// The table inside a window with another focusable widget, so focus can leave it.
struct Host {
    QWidget window;
    QLineEdit* other;
    explicit Host(SongTableView& view) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        view.setParent(&window);
        layout->addWidget(&view);
        window.resize(980, 460);
        window.show();
        window.activateWindow();
    }
};

TEST_F(SongTableScreenshots, SelectionPlayingSortAndOffline) {
    show("Songs");
    Host host(*view);
    ASSERT_TRUE(waitUntil([&] { return host.window.isActiveWindow(); }));
    view->clickHeader(static_cast<int>(SongColumn::title));
    ASSERT_TRUE(settle());
    model->playback().play(std::vector<Song>{*row(1).song}, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return currentSongID().has_value(); }));
    view->table().setFocus();
    view->table().selectRow(3);
    QTest::keyClick(&view->table(), Qt::Key_Down, Qt::ShiftModifier);
    processEvents();
    ASSERT_TRUE(waitUntil([&] { return view->table().hasFocus(); }));
    EXPECT_FALSE(saveScreenshot(host.window, kFolder, "selection-emphasized").isEmpty());

    host.other->setFocus();
    processEvents();
    EXPECT_FALSE(saveScreenshot(host.window, kFolder, "selection-unfocused").isEmpty());

    model->setForceOfflineMode(true);
    ASSERT_TRUE(waitUntil([&] { return model->isOffline().value(); }));
    processEvents();
    EXPECT_FALSE(saveScreenshot(host.window, kFolder, "offline-dimmed").isEmpty());
    view->setParent(nullptr);
}

TEST_F(SongTableScreenshots, EmptyStates) {
    show("Songs");
    model->setRoute("Songs");
    model->setQuery("zzzz-no-such-song");
    model->load();
    ASSERT_TRUE(waitUntil([&] { return model->songs().value()->empty(); }));
    processEvents();
    EXPECT_TRUE(view->emptyPanel().isVisible());
    EXPECT_EQ(view->countLabel().text(), "0 songs");
    EXPECT_EQ(view->emptyTitle().text(), "No matches");
    EXPECT_FALSE(saveScreenshot(*view, kFolder, "empty-search").isEmpty());
    model->setQuery("");
    processEvents();
    EXPECT_EQ(view->emptyTitle().text(), "No songs here yet");
    EXPECT_FALSE(saveScreenshot(*view, kFolder, "empty-library").isEmpty());
}

TEST_F(SongTableScreenshots, Menus) {
    show("Songs");
    view->table().setFocus();
    const QPoint at = cellCenter(2, SongColumn::artist);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->table().viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->table().viewport(), &event);
    ASSERT_NE(view->table().openMenu(), nullptr);
    processEvents();
    EXPECT_FALSE(saveScreenshot(*view->table().openMenu(), kFolder, "context-menu").isEmpty());
    view->table().openMenu()->close();
    processEvents();

    QTest::mouseClick(view->table().viewport(), Qt::LeftButton, {}, cellCenter(4, SongColumn::rating));
    ASSERT_NE(view->table().openMenu(), nullptr);
    processEvents();
    EXPECT_FALSE(saveScreenshot(*view->table().openMenu(), kFolder, "rating-menu").isEmpty());
    view->table().openMenu()->close();
}

} // namespace
} // namespace sorvalind::test
