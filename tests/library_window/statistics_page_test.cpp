// The statistics page in a real library window over the loopback library,
// whose songs carry play counts: the figures and rankings the model reads
// from the store, the columns that fit, the clicks, the reload when a
// library refresh ends, and the page's other states as a person sees them.
// Screenshots go to <build>/screenshots/home/.

#include "library_window_fixture.h"

#include "kit/plain_text.h"
#include "library_window/empty_state.h"
#include "library_window/page_host.h"
#include "library_window/statistics_page.h"
#include "library_window/statistics_widgets.h"
#include "platform/text/locale_number.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

namespace sorvalind::test {
namespace {

// Song n (from 1) has n plays, the first song none reported.
void givePlayCounts(loopback::FakeSubsonicServer& server) {
    server.withLibrary([](loopback::FakeLibrary& library) {
        for (std::size_t n = 1; n < library.songs.size(); ++n)
            library.songs[n]["playCount"] = static_cast<int>(n + 1);
        return 0;
    });
}

class StatisticsWindow {
public:
    explicit StatisticsWindow(bool playCounts)
        : world({.artists = 3,
                 .albumsPerArtist = 2,
                 .songsPerAlbum = 4,
                 .playlists = 1,
                 .songsPerPlaylist = 2}) {
        if (playCounts) givePlayCounts(world.server());
    }

    bool start(QSize size) {
        if (!world.launch() || !world.connect()) return false;
        model = world.current();
        LibraryWindowParts parts;
        parts.pages.songRowWorker = &workers;
        parts.preferences = &preferences;
        window = std::make_unique<LibraryWindow>(model, world.sharedCoordinator(), parts);
        window->setPalette(accentPalette(window->palette()));
        window->resize(size);
        window->show();
        if (!waitUntil([&] { return !model->loading().value() && model->connected().value(); })) return false;
        model->setRoute("Server Statistics");
        if (!waitUntil(
                [&] { return page() && model->statistics().value() && !model->statisticsLoading().value(); }))
            return false;
        // A read asked for while one ran follows it: wait for both.
        for (int i = 0; i < 3; ++i) {
            settle();
            if (!waitUntil([&] { return !model->statisticsLoading().value(); })) return false;
        }
        return true;
    }

    StatisticsPage* page() const { return qobject_cast<StatisticsPage*>(window->pageHost()->page()); }

    void settle() {
        for (int i = 0; i < 4; ++i)
            processEvents();
    }

    void shoot(const QString& name) {
        settle();
        EXPECT_FALSE(saveScreenshot(*window, QStringLiteral("home"), name).isEmpty()) << name.toStdString();
    }

    QString metric(const char* symbol) const {
        auto* panel =
            page()->findChild<QWidget*>(QStringLiteral("statisticsMetric:") + QLatin1String(symbol));
        return panel ? panel->findChild<QLabel*>(QStringLiteral("value"))->text() : QString();
    }

    GuiModelWorld world;
    std::shared_ptr<AppModel> model;
    WorkerPool workers{1, "statistics-rows"};
    InMemoryPreferences preferences;
    std::unique_ptr<LibraryWindow> window;
};

TEST(StatisticsPage, ShowsTheServerPlayCountsAndFitsTheRankingsToTheWidth) {
    StatisticsWindow view(true);
    ASSERT_TRUE(view.start(QSize(1180, 780)));
    StatisticsPage* page = view.page();
    ASSERT_NE(page, nullptr);
    const auto& stats = *view.model->statistics().value();
    EXPECT_EQ(stats.librarySongs, 24);
    EXPECT_EQ(stats.songsWithPlayCounts, 23);
    EXPECT_EQ(view.metric("music.note"), QStringLiteral("24"));
    EXPECT_EQ(view.metric("play.fill").toStdString(),
              text::decimalText(static_cast<double>(stats.totalPlays), 0, 0, text::userLocaleId()));

    // The most-played song leads its card and carries its hint as tooltip.
    auto* top = page->findChild<StatisticsRowButton*>(QStringLiteral("statistics:music.note:so-24"));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->toolTip(),
              plainToolTip(QStringLiteral("Play this song and continue through your top songs.")));
    EXPECT_EQ(top->findChild<QLabel*>(QStringLiteral("plays"))->text(), QStringLiteral("24 plays"));
    EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("statisticsCard:person.2")));
    EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("statisticsCard:square.stack")));

    auto* grid = page->findChild<StatisticsRankingGrid*>();
    ASSERT_NE(grid, nullptr);
    const int minimum = statisticsRankingMinimum(QFontInfo(textFont(TextStyle::body)).pixelSize());
    EXPECT_EQ(page->rankingColumns(), statisticsRankingColumns(grid->width(), minimum));
    EXPECT_GE(page->rankingColumns(), 2);
    view.shoot(QStringLiteral("statistics-full"));
    view.window->resize(780, 540);
    view.settle();
    EXPECT_EQ(page->rankingColumns(), 1);
    view.shoot(QStringLiteral("statistics-one-column"));
    view.window->resize(1180, 780);
    view.settle();

    // An artist row opens the artist; the page follows the model's route.
    const auto& artist = stats.topArtists.front();
    auto* row =
        page->findChild<StatisticsRowButton*>(QString::fromStdString("statistics:person.2:" + artist.id));
    ASSERT_NE(row, nullptr);
    page->scrollArea().ensureWidgetVisible(row);
    view.settle();
    QTest::mouseClick(row, Qt::LeftButton);
    const auto& target = std::get<ListeningStatistics::Action::ArtistTarget>(artist.action.target);
    EXPECT_TRUE(waitUntil([&] { return view.model->route().value() == "artist:" + target.artist.id; }));
}

TEST(StatisticsPage, FiguresFollowTheLibraryWhenARefreshEnds) {
    StatisticsWindow view(true);
    ASSERT_TRUE(view.start(QSize(1180, 780)));
    const std::int64_t before = view.model->statistics().value()->totalPlays;
    view.world.server().withLibrary([](loopback::FakeLibrary& library) {
        library.songs[0]["playCount"] = 1000;
        return 0;
    });
    view.model->refresh();
    ASSERT_TRUE(waitUntil([&] {
        const auto& stats = view.model->statistics().value();
        return !view.model->syncing().value() && stats && stats->totalPlays == before + 1000;
    }));
    view.settle();
    EXPECT_EQ(view.page()->presentation().metrics.front().value,
              text::decimalText(static_cast<double>(before + 1000), 0, 0, text::userLocaleId()));
}

TEST(StatisticsPage, EmptyRecapsAndTheStatesBeforeAnyStatistics) {
    StatisticsWindow view(false);
    ASSERT_TRUE(view.start(QSize(1180, 780)));
    StatisticsPage* page = view.page();
    auto* recap = page->findChild<EmptyState*>(QStringLiteral("statisticsRecap"));
    ASSERT_NE(recap, nullptr);
    EXPECT_EQ(recap->title(), QStringLiteral("Listening statistics unavailable"));
    EXPECT_EQ(view.metric("play.fill"), QStringLiteral("—"));
    view.shoot(QStringLiteral("statistics-empty-unavailable"));
    view.window->resize(780, 540);
    view.shoot(QStringLiteral("statistics-empty-unavailable-small"));
    view.window->resize(1180, 780);

    auto in = page->inputs();
    in.statistics->songsWithPlayCounts = 3;
    page->present(presentStatistics(in));
    EXPECT_EQ(page->findChild<EmptyState*>(QStringLiteral("statisticsRecap"))->title(),
              QStringLiteral("Your story is still unwritten"));
    view.shoot(QStringLiteral("statistics-empty-unwritten"));

    in.error = "The saved library could not be read: disk I/O error.";
    page->present(presentStatistics(in));
    ASSERT_NE(page->findChild<QPushButton*>(QStringLiteral("statisticsTryAgain")), nullptr);
    view.shoot(QStringLiteral("statistics-error-with-figures"));

    in.statistics.reset();
    page->present(presentStatistics(in));
    auto* failure = page->findChild<EmptyState*>(QStringLiteral("statisticsFailure"));
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->description(), QString::fromStdString(*in.error));
    view.shoot(QStringLiteral("statistics-error"));
    view.window->resize(780, 540);
    view.shoot(QStringLiteral("statistics-error-small"));
    view.window->resize(1180, 780);

    in.error.reset();
    in.loading = true;
    page->present(presentStatistics(in));
    ASSERT_NE(page->findChild<QLabel*>(QStringLiteral("statisticsLoading")), nullptr);
    view.shoot(QStringLiteral("statistics-loading"));
    view.window->resize(780, 540);
    view.shoot(QStringLiteral("statistics-loading-small"));
    view.window->resize(1180, 780);

    in.loading = false;
    page->present(presentStatistics(in));
    auto* load = page->findChild<QPushButton*>(QStringLiteral("statisticsLoad"));
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->text(), QStringLiteral("Load Statistics"));
    view.shoot(QStringLiteral("statistics-load-button"));
    view.window->resize(780, 540);
    view.shoot(QStringLiteral("statistics-load-button-small"));

    // The button asks the model, whose answer the page then shows.
    load->click();
    EXPECT_TRUE(
        waitUntil([&] { return page->presentation().state == StatisticsPresentation::State::statistics; }));
}

TEST(StatisticsPage, ReadsTheStatisticsEachTimeItIsShown) {
    StatisticsWindow view(true);
    ASSERT_TRUE(view.start(QSize(1180, 780)));
    int reads = 0;
    auto subscription = view.model->statisticsLoading().subscribe([&](bool loading) { reads += loading; });
    view.page()->hide();
    view.page()->show();
    EXPECT_TRUE(waitUntil([&] { return reads >= 1 && !view.model->statisticsLoading().value(); }));
}

} // namespace
} // namespace sorvalind::test
