// The frame over a real model: sidebar and route, search text and field,
// page identity, the debounced load, the error banner, and a model replaced
// while it loads.

#include "library_window_fixture.h"

#include "library_window/error_banner.h"
#include "library_window/library_page.h"
#include "library_window/library_search_field.h"
#include "library_window/library_sidebar.h"
#include "library_window/page_host.h"

#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

class LibraryWindowTest : public LibraryWindowFixture {
protected:
    QString selectedRoute() {
        const auto rows = window->sidebar()->tree()->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? QString() : rows.front().data(SidebarTree::routeRole).toString();
    }
    void choose(const std::optional<std::string>& route) {
        const QModelIndex index = window->sidebar()->tree()->indexOf(route);
        ASSERT_TRUE(index.isValid());
        window->sidebar()->tree()->selectionModel()->setCurrentIndex(index,
                                                                     QItemSelectionModel::ClearAndSelect);
        settle();
    }
};

TEST_F(LibraryWindowTest, TheSidebarFollowsTheRouteAndChoosesIt) {
    show();
    EXPECT_EQ(selectedRoute(), QStringLiteral("Home"));
    const auto& playlists = model->playlists().value();
    ASSERT_EQ(playlists.size(), 3u);
    EXPECT_EQ(window->sidebar()->tree()->model()->rowCount(window->sidebar()->tree()->playlistsSection()), 4)
        << "three playlists and New Playlist";

    const std::size_t before = model->backRoutes().value().size();
    model->setRoute(std::string("Albums"));
    settle();
    EXPECT_EQ(selectedRoute(), QStringLiteral("Albums"));
    EXPECT_EQ(model->backRoutes().value().size(), before + 1) << "showing a route never chooses it again";

    choose("playlist:" + playlists[1].id);
    EXPECT_EQ(model->route().value(), "playlist:" + playlists[1].id);
    EXPECT_EQ(window->title().toStdString(), playlists[1].name);

    // A route without a row leaves nothing selected; Settings lights its own row.
    model->setRoute(std::string("Server Statistics"));
    settle();
    EXPECT_TRUE(selectedRoute().isEmpty());
    window->sidebar()->settingsRow()->click();
    settle();
    EXPECT_EQ(model->route().value(), "Settings");
    EXPECT_TRUE(window->sidebar()->settingsRow()->property("selected").toBool());
    EXPECT_TRUE(window->pageHost()->page()->findChild<QLabel*>(QStringLiteral("settingsPage")));

    // The server button leaves a search for the statistics page.
    model->setQuery("one");
    settle();
    EXPECT_FALSE(window->sidebar()->settingsRow()->property("selected").toBool())
        << "a search hides settings";
    window->sidebar()->serverButton()->click();
    settle();
    EXPECT_EQ(model->route().value(), "Server Statistics");
    EXPECT_EQ(model->query().value(), "");
    EXPECT_EQ(window->sidebar()->serverButton()->text().toStdString(), model->configuration()->url().host());
}

TEST_F(LibraryWindowTest, ChoosingARouteClearsTheSearchExceptForSearch) {
    show();
    model->setQuery("song");
    settle();
    choose(std::string("Songs"));
    EXPECT_EQ(model->query().value(), "");

    model->setQuery("song");
    model->setRoute(std::string("Search"));
    settle();
    EXPECT_EQ(model->query().value(), "song");
    EXPECT_EQ(window->title(), QStringLiteral("Search"));
}

TEST_F(LibraryWindowTest, ThePlaylistsSectionKeepsItsExpansion) {
    show();
    EXPECT_TRUE(window->sidebar()->playlistsExpanded());
    window->sidebar()->tree()->collapse(window->sidebar()->tree()->playlistsSection());
    settle();
    EXPECT_EQ(preferences.boolValue(LibraryWindow::playlistsExpandedKey), false);

    window.reset();
    show();
    EXPECT_FALSE(window->sidebar()->playlistsExpanded()) << "a new window opens it as it was left";
    // New playlists arriving keep the section as the user left it.
    model->setRoute(std::string("Albums"));
    settle();
    EXPECT_FALSE(window->sidebar()->playlistsExpanded());
}

TEST_F(LibraryWindowTest, TheSearchFieldWritesOnlyUserEditsAndFocusesWhenShown) {
    show();
    LibrarySearchField* field = window->searchField();
    window->activateWindow();
    ASSERT_TRUE(waitUntil([&] { return window->isActiveWindow(); }, 5s));
    EXPECT_FALSE(field->hasFocus()) << "a new window does not focus the field by itself";
    QTest::keyClicks(field, QStringLiteral("abc"));
    EXPECT_EQ(model->query().value(), "abc");

    // The model's own text shows; an equal text is not written (the cursor stays).
    field->setCursorPosition(1);
    model->setQuery("abc");
    settle();
    EXPECT_EQ(field->cursorPosition(), 1);
    model->setQuery("xyz");
    settle();
    EXPECT_EQ(field->text(), QStringLiteral("xyz"));
    EXPECT_EQ(model->query().value(), "xyz") << "writing the model's text is no edit";

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(model->query().value(), "");

    // Back empties the text and the box follows.
    model->setQuery("again");
    model->setRoute(std::string("Albums"));
    settle();
    model->setQuery("again");
    settle();
    window->goBack();
    settle();
    EXPECT_EQ(field->text(), QString());

    // Ctrl+F focuses the box each time; a hidden window takes no focus.
    window->sidebar()->tree()->setFocus();
    QTest::keyClick(window->sidebar()->tree(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), field);
    window->sidebar()->tree()->setFocus();
    QTest::keyClick(window->sidebar()->tree(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(field->hasFocus());
    window->sidebar()->tree()->setFocus();
    window->hide();
    window->focusSearch();
    EXPECT_FALSE(field->hasFocus());
}

TEST_F(LibraryWindowTest, PagesOfOneKindKeepTheirViewAndOtherKindsStartAfresh) {
    show();
    QSignalSpy titles(window.get(), &LibraryWindow::titleChanged);
    const auto& playlists = model->playlists().value();
    model->setRoute("playlist:" + playlists[0].id);
    settle();
    QPointer<LibraryPage> first = window->pageHost()->page();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->choice().kind, PageKind::playlist);
    model->setRoute("playlist:" + playlists[1].id);
    settle();
    EXPECT_EQ(window->pageHost()->page(), first.data()) << "another playlist keeps the page";
    EXPECT_EQ(first->choice().input, playlists[1].id);
    EXPECT_EQ(first->title().toStdString(), playlists[1].name);

    model->setRoute(std::string("Albums"));
    settle();
    EXPECT_FALSE(first) << "another kind replaces the page at once";
    QPointer<LibraryPage> albums = window->pageHost()->page();
    model->setRoute(std::string("Favorites"));
    settle();
    EXPECT_FALSE(albums);

    const auto& loaded = *model->albums().value();
    ASSERT_GE(loaded.size(), 2u);
    model->setRoute("album:" + loaded[0].id);
    settle();
    QPointer<LibraryPage> album = window->pageHost()->page();
    model->setRoute("album:" + loaded[1].id);
    settle();
    EXPECT_EQ(window->pageHost()->page(), album.data());
    EXPECT_EQ(window->title().toStdString(), loaded[1].name);
    model->setRoute(std::string("album:not-loaded"));
    settle();
    EXPECT_EQ(window->pageHost()->page(), album.data());
    EXPECT_EQ(window->title(), QStringLiteral("Album"));
    EXPECT_FALSE(album->choice().albumHeader);

    QStringList seen;
    for (const auto& call : titles)
        seen << call.front().toString();
    EXPECT_EQ(seen, (QStringList{QString::fromStdString(playlists[0].name),
                                 QString::fromStdString(playlists[1].name), QStringLiteral("Albums"),
                                 QStringLiteral("Favorites"), QString::fromStdString(loaded[0].name),
                                 QString::fromStdString(loaded[1].name), QStringLiteral("Album")}));
}

TEST_F(LibraryWindowTest, TypingLoadsOnceAPauseAfterTheLastKey) {
    VirtualClock clock;
    ManualExecutor timers{clock};
    LibraryWindowParts given = parts();
    given.timers = &timers;
    show(QSize(1180, 780), given);
    model->setRoute(std::string("Songs"));
    settle();
    ASSERT_TRUE(loaded("Songs"));

    for (const char* key : {"s", "so", "son"}) {
        QTest::keyClicks(window->searchField(), QString::fromLatin1(key).right(1));
        settle();
        clock.advance(60ms);
    }
    EXPECT_TRUE(window->pageLoad().isWaiting());
    EXPECT_EQ(model->loadedSongRoute(), std::optional<std::string>("Songs")) << "no search before the pause";
    clock.advance(40ms);
    EXPECT_FALSE(window->pageLoad().isWaiting());
    ASSERT_TRUE(loaded("Search"));

    // Clearing the box reloads at once, without the wait.
    window->searchField()->clear();
    QTest::keyClick(window->searchField(), Qt::Key_A);
    settle();
    QTest::keyClick(window->searchField(), Qt::Key_Backspace);
    settle();
    EXPECT_FALSE(window->pageLoad().isWaiting());
    ASSERT_TRUE(loaded("Songs"));
}

TEST_F(LibraryWindowTest, TheBannerShowsTheModelsErrorAndDismissClearsIt) {
    show();
    EXPECT_TRUE(window->banner()->isHidden());
    model->showError("The library could not be read.");
    settle();
    ASSERT_FALSE(window->banner()->isHidden());
    EXPECT_EQ(window->banner()->text(), QStringLiteral("The library could not be read."));
    EXPECT_FALSE(window->banner()->dismissButton()->isHidden());
    window->banner()->dismissButton()->click();
    settle();
    EXPECT_EQ(model->error().value(), std::nullopt);
    EXPECT_TRUE(window->banner()->isHidden());

    const std::vector<
        std::tuple<std::optional<std::string>, std::optional<std::string>, std::optional<BannerMessage>>>
        cases{
            {std::nullopt, std::nullopt, std::nullopt},
            {"model", std::nullopt, BannerMessage{"model", true}},
            {std::nullopt, "playback", BannerMessage{"playback", false}},
            {"model", "playback", BannerMessage{"model", true}},
        };
    for (const auto& [modelError, playbackError, shown] : cases)
        EXPECT_EQ(bannerMessage(modelError, playbackError), shown);
}

TEST_F(LibraryWindowTest, ALockedLoginIsUnlockedFromTheFooterWithThePrompt) {
    model.reset();
    world.setKeyringLocked(true);
    world.restart();
    ASSERT_TRUE(world.launch());
    model = world.current();
    ASSERT_TRUE(model->credentialsLocked().value());
    show(QSize(780, 540));
    QPushButton* signIn = window->sidebar()->signInButton();
    EXPECT_FALSE(signIn->isHidden());
    EXPECT_EQ(signIn->text(), QStringLiteral("Unlock Saved Login"));
    EXPECT_EQ(window->sidebar()->statusLine()->text(), QString::fromUtf8(AppModel::lockedStatus));
    EXPECT_FALSE(window->refreshButton()->isEnabled()) << "no client while locked";
    screenshot(*window, "frame-locked-login-780");

    world.setKeyringLocked(false);
    signIn->click();
    ASSERT_TRUE(waitUntil([&] { return !model->credentialsLocked().value() && model->api(); }));
    EXPECT_TRUE(world.lastReadInteractive());
    settle();
    EXPECT_TRUE(signIn->isHidden());
    ASSERT_TRUE(waitUntil([&] {
        processEvents();
        return window->refreshButton()->isEnabled() || model->syncing().value();
    }));
}

TEST_F(LibraryWindowTest, BackAndForwardFollowTheHistory) {
    show();
    EXPECT_FALSE(window->backButton()->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(model->route().value(), "Home");
    model->setRoute(std::string("Albums"));
    settle();
    EXPECT_TRUE(window->backButton()->isEnabled());
    window->backButton()->click();
    settle();
    EXPECT_EQ(model->route().value(), "Home");
    EXPECT_TRUE(window->forwardButton()->isEnabled());
    QTest::mouseClick(window->sidebar()->tree()->viewport(), Qt::ForwardButton);
    settle();
    EXPECT_EQ(model->route().value(), "Albums");
    QTest::mouseClick(window->searchField(), Qt::BackButton);
    settle();
    EXPECT_EQ(model->route().value(), "Home");
}

TEST_F(LibraryWindowTest, AModelReplacedWhileLoadingLeavesNothingBehind) {
    show();
    std::weak_ptr<AppModel> first = model;
    model->setRoute(std::string("Songs"));
    window->render(); // the load starts now and is still reading when the model goes
    ASSERT_EQ(window->pageLoad().key()->route, std::optional<std::string>("Songs"));
    model.reset();
    ASSERT_TRUE(world.connect());
    window.reset(); // the shell builds a new window per model
    ASSERT_TRUE(waitUntil([&] { return first.expired(); }));

    // A window whose model went away is inert.
    model = world.current();
    show();
    std::weak_ptr<AppModel> second = model;
    model->setRoute(std::string("Albums"));
    settle();
    model.reset();
    ASSERT_TRUE(world.connect());
    ASSERT_TRUE(waitUntil([&] { return second.expired(); }));
    window->render();
    window->goBack();
    QTest::keyClicks(window->searchField(), QStringLiteral("x"));
    Playlist gone;
    gone.id = "pl-1";
    gone.name = "Gone";
    window->confirmDeletePlaylist(gone);
    EXPECT_EQ(window->openConfirmation(), nullptr);
    settle();
}

} // namespace
} // namespace sorvalind::test
