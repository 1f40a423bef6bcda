// The search results page in a real library window over the loopback
// library: its sections and row texts, what a click or Return does and in
// which order, "Play Results", offline dimming, the drag payload, the
// "Searching…" and no-results overlays, and the album "Play" item's store
// failure.

#include "library_window_fixture.h"

#include "library_window/empty_state.h"
#include "library_window/page_host.h"
#include "library_window/search_result_delegate.h"
#include "library_window/search_results_model.h"
#include "library_window/search_view.h"
#include "playback/playback_controller.h"
#include "store/library_repository.h"

#include "library/clock_text.h"
#include "loopback/audio/audio_fixtures.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <future>
#include <iterator>
#include <set>

namespace sorvalind::test {
namespace {

using ResultKind = SearchResultsModel::Kind;

std::vector<std::string> searchQueueIDs(const QueueState& queue) {
    std::vector<std::string> ids;
    if (queue.current) ids.push_back(queue.current->song.id);
    for (const QueueEntry& entry : queue.context)
        ids.push_back(entry.song.id);
    return ids;
}

class SearchViewTest : public LibraryWindowFixture {
protected:
    void search(const std::string& text) {
        const std::int64_t before = model->songsRevision().value();
        model->setQuery(text);
        model->load();
        ASSERT_TRUE(waitUntil([&] {
            return model->songsRevision().value() != before && !model->loading().value() && view() != nullptr;
        }));
        settle();
    }

    SearchView* view() { return qobject_cast<SearchView*>(window->pageHost()->page()); }
    SearchResultsModel& results() { return *view()->results(); }

    std::vector<QString> texts(int role = Qt::DisplayRole) {
        std::vector<QString> all;
        for (int row = 0; row < results().rowCount(); ++row)
            all.push_back(results().index(row).data(role).toString());
        return all;
    }

    int firstRow(ResultKind kind) {
        for (int row = 0; row < results().rowCount(); ++row)
            if (results().row(row)->kind == kind) return row;
        return -1;
    }

    void click(int row) {
        QListView* list = view()->list();
        list->scrollTo(results().index(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(results().index(row)).center());
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

TEST_F(SearchViewTest, SectionsFollowTheResultsWithTheirCountsAndRowTexts) {
    show();
    // "1" finds an artist, an album and songs of the loopback library.
    search("1");
    ASSERT_NE(view(), nullptr);
    const auto& artists = *model->artists().value();
    const auto& albums = *model->albums().value();
    const auto& songs = *model->songs().value();
    ASSERT_FALSE(artists.empty());
    ASSERT_FALSE(albums.empty());
    ASSERT_FALSE(songs.empty());
    QAbstractItemModelTester tester(&results(), QAbstractItemModelTester::FailureReportingMode::Warning);

    std::vector<QString> expected;
    expected.push_back(QStringLiteral("Artists (%1)").arg(artists.size()));
    for (const Artist& artist : artists)
        expected.push_back(QString::fromStdString(artist.name));
    expected.push_back(QStringLiteral("Albums (%1)").arg(albums.size()));
    for (const Album& album : albums)
        expected.push_back(QString::fromStdString(album.name));
    expected.push_back(QStringLiteral("Songs (%1)").arg(songs.size()));
    for (const Song& song : songs)
        expected.push_back(QString::fromStdString(song.title));
    EXPECT_EQ(texts(), expected);
    ASSERT_NE(view()->playResultsButton(), nullptr);
    EXPECT_EQ(view()->playResultsButton()->text(), QStringLiteral("Play Results"));
    EXPECT_EQ(view()
                  ->list()
                  ->indexWidget(results().index(results().songsHeaderRow()))
                  ->isAncestorOf(view()->playResultsButton()),
              true);

    // Second lines and durations.
    const int albumRow = firstRow(ResultKind::album);
    EXPECT_EQ(results().index(albumRow).data(SearchResultsModel::secondaryRole).toString(),
              QString::fromStdString(*albums.front().artist));
    const int songRow = firstRow(ResultKind::song);
    EXPECT_EQ(results().index(songRow).data(SearchResultsModel::secondaryRole).toString(),
              QString::fromStdString(songs.front().artistNames() + " · " + *songs.front().album));
    EXPECT_EQ(results().index(songRow).data(SearchResultsModel::durationRole).toString(),
              QString::fromStdString(clockText(*songs.front().duration)));
    EXPECT_TRUE(view()->searchingPanel()->isHidden());
    EXPECT_EQ(view()->noResultsPanel(), nullptr);
    shot("search-all-sections");

    // Songs only: no artist or album section, headers included.
    search("Song");
    ASSERT_TRUE(model->artists().value()->empty());
    ASSERT_TRUE(model->albums().value()->empty());
    EXPECT_EQ(results().row(0)->kind, ResultKind::songsHeader);
    EXPECT_EQ(firstRow(ResultKind::artistsHeader), -1);
    EXPECT_EQ(firstRow(ResultKind::albumsHeader), -1);
    EXPECT_EQ(results().rowCount(), static_cast<int>(model->songs().value()->size()) + 1);
    // One height for every row, headers included.
    const QStyleOptionViewItem option;
    EXPECT_EQ(view()->delegate()->sizeHint(option, results().index(0)).height(),
              view()->delegate()->sizeHint(option, results().index(1)).height());
}

TEST(SearchResultsModelRows, SecondLinesDurationsAndDragPayloads) {
    SearchResultsModel results;
    QAbstractItemModelTester tester(&results, QAbstractItemModelTester::FailureReportingMode::Warning);
    Song bare = Song::make("so-bare", "Bare", std::string("Someone"));
    Song full = Song::make("so-full", "Full", std::string("Band"));
    full.album = "Record";
    full.duration = 61;
    full.starred = "2024-01-01T00:00:00Z";
    Album anonymous = Album::make("al-x", "Nameless");
    results.setResults(std::make_shared<const std::vector<Artist>>(),
                       std::make_shared<const std::vector<Album>>(std::vector<Album>{anonymous}),
                       std::make_shared<const std::vector<Song>>(std::vector<Song>{bare, full}));
    results.setAvailability([](const Song& song) { return song.id != "so-full"; });

    EXPECT_EQ(results.index(0).data().toString(), QStringLiteral("Albums (1)"));
    EXPECT_EQ(results.index(1).data(SearchResultsModel::secondaryRole).toString(),
              QStringLiteral("Unknown artist"));
    EXPECT_EQ(results.index(2).data().toString(), QStringLiteral("Songs (2)"));
    struct Case {
        int row;
        const char* secondary;
        const char* duration;
        bool favourite;
        bool enabled;
        const char* hint;
    };
    for (const Case& c :
         {Case{3, "Someone", "0:00", false, true, ""},
          Case{4, "Band · Record", "1:01", true, false, "Not downloaded. Unavailable offline."}}) {
        const QModelIndex index = results.index(c.row);
        EXPECT_EQ(index.data(SearchResultsModel::secondaryRole).toString(), QString::fromUtf8(c.secondary));
        EXPECT_EQ(index.data(SearchResultsModel::durationRole).toString(), QString::fromUtf8(c.duration));
        EXPECT_EQ(index.data(SearchResultsModel::favoriteRole).toBool(), c.favourite);
        EXPECT_EQ(index.flags().testFlag(Qt::ItemIsEnabled), c.enabled) << c.row;
        EXPECT_EQ(index.flags().testFlag(Qt::ItemIsDragEnabled), c.enabled) << c.row;
        EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), QString::fromUtf8(c.hint));
    }

    // A song drags its id as plain text; an album or a header drags nothing.
    std::unique_ptr<QMimeData> drag(results.mimeData({results.index(3)}));
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->formats(), QStringList{QStringLiteral("text/plain")});
    EXPECT_EQ(drag->text(), QStringLiteral("so-bare"));
    EXPECT_EQ(std::unique_ptr<QMimeData>(results.mimeData({results.index(1)})), nullptr);
    EXPECT_EQ(std::unique_ptr<QMimeData>(results.mimeData({results.index(0)})), nullptr);

    // The rows point into the given lists.
    EXPECT_EQ(results.song(3), &results.songs()->front());
}

TEST_F(SearchViewTest, ArtistAndAlbumClicksEndTheSearchFirstAndSongsPlayTheResults) {
    show();
    search("1");
    ASSERT_NE(view(), nullptr);
    const Artist artist = model->artists().value()->front();

    std::vector<std::string> events;
    Subscription queries =
        model->query().subscribe([&](const std::string& q) { events.push_back("query:" + q); });
    Subscription routes = model->route().subscribe(
        [&](const std::optional<std::string>& r) { events.push_back("route:" + r.value_or("")); });
    events.clear();
    click(firstRow(ResultKind::artist));
    EXPECT_EQ(events, (std::vector<std::string>{"query:", "route:artist:" + artist.id}));
    settle();
    EXPECT_EQ(view(), nullptr) << "the artist page replaces the results";

    // Return on an album row does the same with the album.
    search("1");
    ASSERT_NE(view(), nullptr);
    const Album album = model->albums().value()->front();
    events.clear();
    view()->list()->setFocus();
    view()->list()->setCurrentIndex(results().index(firstRow(ResultKind::album)));
    QTest::keyClick(view()->list(), Qt::Key_Return);
    EXPECT_EQ(events, (std::vector<std::string>{"query:", "route:album:" + album.id}));
    settle();

    // The third song plays the whole list from there; the search stays.
    search("Song");
    ASSERT_NE(view(), nullptr) << model->query().value() << " " << model->route().value().value_or("-");
    const std::vector<Song> songs = *model->songs().value();
    ASSERT_GE(songs.size(), 3u);
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    click(firstRow(ResultKind::song) + 2);
    ASSERT_TRUE(waitUntil([&] {
        const auto& queue = controller->queue().value();
        return queue.current && queue.current->song.id == songs[2].id;
    }));
    EXPECT_EQ(searchQueueIDs(controller->queue().value()).size(), songs.size() - 2);
    EXPECT_EQ(model->query().value(), "Song");

    // "Play Results" starts at the first result.
    view()->playResultsButton()->click();
    ASSERT_TRUE(waitUntil([&] {
        const auto& queue = controller->queue().value();
        return queue.current && queue.current->song.id == songs[0].id;
    }));
    std::vector<std::string> all;
    for (const Song& song : songs)
        all.push_back(song.id);
    EXPECT_EQ(searchQueueIDs(controller->queue().value()), all);

    // "Play Next" queues that song alone.
    std::unique_ptr<QMenu> menu = view()->menuFor(firstRow(ResultKind::song) + 2);
    ASSERT_NE(menu, nullptr);
    std::vector<QString> titles;
    for (QAction* action : menu->actions())
        titles.push_back(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles, (std::vector<QString>{"Play Next", "Add to Queue", "Share", "Add to Favorites",
                                            "Rating", "Download", "Add to Playlist"}));
    menu->actions().front()->trigger();
    ASSERT_TRUE(waitUntil([&] { return !controller->queue().value().manual.empty(); }));
    EXPECT_EQ(controller->queue().value().manual.size(), 1u);
    EXPECT_EQ(controller->queue().value().manual.front().song.id, songs[2].id);
}

TEST_F(SearchViewTest, OfflineSongsWithoutADownloadAreDimmedAndInert) {
    show();
    search("Song");
    ASSERT_NE(view(), nullptr);
    const std::vector<Song> songs = *model->songs().value();
    ASSERT_GE(songs.size(), 2u);
    // The generated library's size and length belong to no file; the download checks both.
    Song kept = songs[1];
    kept.size.reset();
    kept.duration = 1.0;
    const auto file =
        fixtures::flac(fixtures::programFolder("search-view"), "song", fixtures::Tone{48000, 2, 16, 48000});
    std::ifstream in(file, std::ios::binary);
    world.server().setMedia(
        kept.id, loopback::FakeMedia{.original = std::string(std::istreambuf_iterator<char>(in), {}),
                                     .contentType = "audio/flac",
                                     .mp3 = {}});
    model->downloads().enqueue({kept}, DownloadQuality::original);
    ASSERT_TRUE(waitUntil([&] { return model->downloadedSongIDs().value().contains(kept.id); }));
    model->setForceOfflineMode(true);
    ASSERT_TRUE(waitUntil([&] { return model->isOffline().value(); }));
    settle();

    const int first = firstRow(ResultKind::song);
    const QModelIndex missing = results().index(first);
    const QModelIndex downloaded = results().index(first + 1);
    EXPECT_FALSE(missing.flags().testFlag(Qt::ItemIsEnabled));
    EXPECT_EQ(missing.data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Not downloaded. Unavailable offline."));
    EXPECT_TRUE(downloaded.flags().testFlag(Qt::ItemIsEnabled));
    EXPECT_TRUE(downloaded.data(Qt::AccessibleDescriptionRole).toString().isEmpty());
    shot("search-offline");

    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    click(first);
    settle();
    EXPECT_FALSE(controller->queue().value().current.has_value()) << "a dimmed song does not play";
    click(first + 1);
    ASSERT_TRUE(waitUntil([&] {
        const auto& queue = controller->queue().value();
        return queue.current && queue.current->song.id == songs[1].id;
    }));
}

TEST_F(SearchViewTest, TheOverlayShowsSearchingOverEarlierResultsThenNoResults) {
    show();
    search("Song");
    ASSERT_NE(view(), nullptr);
    const int listed = results().rowCount();

    // The store is held busy, so the next search stays under way.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    model->repository().executor().post([released] { released.wait(); });
    model->setQuery("nothing matches this");
    model->load();
    ASSERT_TRUE(waitUntil([&] {
        settle();
        return view() && model->loading().value() && view()->searchingPanel()->isVisible();
    }));
    EXPECT_EQ(results().rowCount(), listed) << "earlier results stay under the overlay";
    EXPECT_EQ(view()->searchingPanel()->findChild<QLabel*>(QStringLiteral("searchingText"))->text(),
              QStringLiteral("Searching…"));
    shot("search-searching");
    release.set_value();

    ASSERT_TRUE(waitUntil([&] { return !model->loading().value(); }));
    settle();
    EXPECT_TRUE(view()->searchingPanel()->isHidden());
    ASSERT_NE(view()->noResultsPanel(), nullptr);
    EXPECT_TRUE(view()->noResultsPanel()->isVisible());
    EXPECT_EQ(view()->noResultsPanel()->title(), QStringLiteral("No Results for “nothing matches this”"));
    EXPECT_EQ(view()->noResultsPanel()->description(),
              QStringLiteral("Check the spelling or try a new search."));
    shot("search-no-results");
}

TEST_F(SearchViewTest, CoversAreAskedForRowsOnScreenOnly) {
    show();
    search("Song");
    ASSERT_NE(view(), nullptr);
    // A page of its own over the published results, small enough to leave rows off screen.
    SearchView page(model, PageChoice{PageKind::search, {}, false}, QStringLiteral("Search"));
    page.resize(600, 300);
    page.show();
    const SearchResultsModel& rows = *page.results();
    const QListView* list = page.list();
    const auto requested = [&] { return page.delegate()->covers().requested(); };
    ASSERT_TRUE(waitUntil([&] {
        settle();
        return !requested().empty();
    }));
    std::set<std::string> shown;
    std::set<std::string> hidden;
    for (int row = 0; row < rows.rowCount(); ++row)
        if (const Song* song = rows.song(row))
            (list->viewport()->rect().intersects(list->visualRect(rows.index(row))) ? shown : hidden)
                .insert(*song->coverArt);
    for (const std::string& id : shown)
        hidden.erase(id);
    ASSERT_FALSE(hidden.empty()) << "the page shows every cover; the check needs a smaller one";
    EXPECT_EQ(requested(), shown);

    page.list()->scrollToBottom();
    settle();
    page.list()->viewport()->repaint();
    for (const std::string& id : hidden)
        EXPECT_TRUE(requested().contains(id)) << id;
}

TEST_F(SearchViewTest, AnAlbumsPlayReportsAStoreFailure) {
    show();
    search("1");
    ASSERT_NE(view(), nullptr);
    std::unique_ptr<QMenu> menu = view()->menuFor(firstRow(ResultKind::album));
    ASSERT_NE(menu, nullptr);
    QAction* play = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("Play")) play = action;
    ASSERT_NE(play, nullptr);
    LibraryRepository& repository = model->repository();
    repository.executor().post([&repository] { repository.close(); });
    play->trigger();
    ASSERT_TRUE(waitUntil([&] { return model->error().value().has_value(); }));
    EXPECT_FALSE(model->playback().controller()->queue().value().current.has_value());
}

} // namespace
} // namespace sorvalind::test
