// The favourites page in a real library window over the loopback library:
// each visit starts on "Songs", the scopes show the starred songs, only the
// starred albums and the starred artists, an artist row opens its page, and
// a star removed from its menu takes the row off.

#include "library_window_fixture.h"

#include "library_window/album_grid.h"
#include "library_window/favorite_artists_model.h"
#include "library_window/favorites_view.h"
#include "library_window/page_host.h"
#include "songs/song_table_view.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QMenu>
#include <QPushButton>

namespace sorvalind::test {
namespace {

using Scope = FavoritesView::Scope;

class FavoritesViewTest : public LibraryWindowFixture {
protected:
    FavoritesView* view() { return qobject_cast<FavoritesView*>(window->pageHost()->page()); }

    void open() {
        model->setRoute(std::string("Favorites"));
        ASSERT_TRUE(loaded("Favorites"));
        settle();
        ASSERT_NE(view(), nullptr);
    }

    void shot(const char* name) {
        for (QSize size : {QSize(1180, 780), QSize(780, 540)}) {
            window->resize(size);
            settle();
            EXPECT_FALSE(
                saveScreenshot(
                    *window, QStringLiteral("home"),
                    QStringLiteral("%1-%2x%3").arg(QLatin1String(name)).arg(size.width()).arg(size.height()))
                    .isEmpty());
        }
        window->resize(1180, 780);
        settle();
    }
};

TEST_F(FavoritesViewTest, ScopesShowOnlyStarredItemsAndEachVisitStartsOnSongs) {
    show();
    const Album album = model->albums().value()->at(1);
    const Artist artist = model->artists().value()->back();
    model->setRoute(std::string("Songs"));
    ASSERT_TRUE(loaded("Songs"));
    const Song song = model->songs().value()->empty() ? Song() : model->songs().value()->front();
    ASSERT_FALSE(song.id.empty());
    model->favorite(song);
    model->favorite(album);
    model->favorite(artist);
    ASSERT_TRUE(waitUntil(
        [&] { return model->albums().value()->at(1).starred && model->artists().value()->back().starred; }));
    open();
    QAbstractItemModelTester tester(view()->artistRows(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);

    EXPECT_EQ(view()->scope(), Scope::songs);
    EXPECT_TRUE(view()->scopeButton(Scope::songs)->isChecked());
    EXPECT_EQ(view()->scopeButton(Scope::songs)->parentWidget()->width(), 330);
    // The table shows the model's list, which this route fills with the starred songs.
    ASSERT_TRUE(waitUntil([&] {
        settle();
        return view()->songTable()->tableModel().rowCount() == 1;
    }));
    EXPECT_EQ(model->songs().value()->front().id, song.id);
    shot("favorites-songs");

    view()->scopeButton(Scope::albums)->click();
    EXPECT_EQ(view()->scope(), Scope::albums);
    EXPECT_FALSE(view()->scopeButton(Scope::songs)->isChecked());
    EXPECT_FALSE(view()->albumGrid()->favoritesOnly());
    ASSERT_TRUE(waitUntil([&] { return view()->albumGrid()->isReady(); }));
    ASSERT_EQ(view()->albumGrid()->displayed().size(), 1u) << "only the starred album, filter off";
    EXPECT_EQ(view()->albumGrid()->displayed().front().id, album.id);
    shot("favorites-albums");

    view()->scopeButton(Scope::artists)->click();
    ASSERT_EQ(view()->artistRows()->rowCount(), 1);
    EXPECT_EQ(view()->artistRows()->index(0).data().toString(), QString::fromStdString(artist.name));
    shot("favorites-artists");

    // An artist opens its page; coming back starts on "Songs" again.
    view()->openArtist(0);
    EXPECT_EQ(model->route().value(), "artist:" + artist.id);
    settle();
    model->goBack();
    EXPECT_EQ(model->route().value(), "Favorites");
    ASSERT_TRUE(loaded("Favorites"));
    settle();
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->scope(), Scope::songs);
    EXPECT_TRUE(view()->scopeButton(Scope::songs)->isChecked());

    // Rating keeps the row; removing the star takes it off once republished.
    view()->scopeButton(Scope::artists)->click();
    std::unique_ptr<QMenu> menu = view()->artistMenu(0);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().front()->text(), QStringLiteral("Remove from Favorites"));
    QAction* rating = menu->actions().at(1);
    ASSERT_NE(rating->menu(), nullptr);
    rating->menu()->actions().at(4)->trigger();
    ASSERT_TRUE(waitUntil([&] { return model->artists().value()->back().userRating == 4; }));
    settle();
    EXPECT_EQ(view()->artistRows()->rowCount(), 1);
    view()->artistMenu(0)->actions().front()->trigger();
    ASSERT_TRUE(waitUntil([&] {
        settle();
        return view()->artistRows()->rowCount() == 0;
    }));
}

} // namespace
} // namespace sorvalind::test
