// What the statistics page shows, as the presenter decides it: the figures,
// the empty recaps, the order of the states, each line of where the numbers
// come from, the rows (play counts, hints, symbols, clicks) and the hero.

#include "library_window/statistics_presenter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sorvalind {
namespace {

using Presentation = StatisticsPresentation;
using State = StatisticsPresentation::State;

ListeningStatistics counted() {
    ListeningStatistics stats;
    stats.librarySongs = 12000;
    stats.libraryAlbums = 1500;
    stats.libraryArtists = 300;
    stats.songsWithPlayCounts = 12000;
    stats.totalPlays = 4321;
    stats.uniqueSongs = 2100;
    stats.estimatedSeconds = 5 * 3600 + 1800;
    stats.playsWithDuration = 4321;
    return stats;
}

StatisticsInputs inputs(std::optional<ListeningStatistics> stats) {
    StatisticsInputs in;
    in.statistics = std::move(stats);
    in.connected = true;
    in.hasClient = true;
    in.localeId = "en_US";
    in.timeZoneId = "UTC";
    return in;
}

std::vector<std::string> texts(const Presentation& page) {
    std::vector<std::string> lines;
    for (const auto& line : page.provenance)
        lines.push_back(line.text);
    return lines;
}

bool hasLine(const Presentation& page, const std::string& prefix) {
    const auto lines = texts(page);
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.starts_with(prefix); });
}

Song song(const std::string& id, std::optional<int> plays) {
    Song song;
    song.id = id;
    song.title = "Song " + id;
    song.artist = "Someone";
    song.coverArt = "cover-" + id;
    song.playCount = plays;
    return song;
}

TEST(StatisticsPresenter, SummaryFiguresDashWhatTheServerNeverReported) {
    struct Case {
        const char* name;
        std::int64_t withCounts, withDuration;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"all reported", 12000, 4321, {"4,321", "5.5", "2,100", "12,000"}},
        {"no play counts", 0, 4321, {"—", "5.5", "—", "12,000"}},
        {"no durations", 12000, 0, {"4,321", "—", "2,100", "12,000"}},
        {"nothing", 0, 0, {"—", "—", "—", "12,000"}},
    };
    for (const Case& c : cases) {
        auto stats = counted();
        stats.songsWithPlayCounts = c.withCounts;
        stats.playsWithDuration = c.withDuration;
        const auto page = presentStatistics(inputs(stats));
        ASSERT_EQ(page.metrics.size(), 4u) << c.name;
        std::vector<std::string> values, labels, symbols;
        for (const auto& metric : page.metrics) {
            values.push_back(metric.value);
            labels.push_back(metric.label);
            symbols.push_back(metric.symbol);
        }
        EXPECT_EQ(values, c.values) << c.name;
        EXPECT_EQ(labels, (std::vector<std::string>{"Server plays", "Estimated hours", "Songs played",
                                                    "Songs in library"}));
        EXPECT_EQ(symbols, (std::vector<std::string>{"play.fill", "clock", "repeat", "music.note"}));
    }
    auto stats = counted();
    stats.estimatedSeconds = 3600 * 2;
    EXPECT_EQ(presentStatistics(inputs(stats)).metrics[1].value, "2.0");
    auto german = inputs(counted());
    german.localeId = "de_DE";
    EXPECT_EQ(presentStatistics(german).metrics[1].value, "5,5");
    EXPECT_EQ(presentStatistics(german).metrics[3].value, "12.000");
}

TEST(StatisticsPresenter, RankingsOrOneOfTwoEmptyRecaps) {
    struct Case {
        std::int64_t plays, withCounts;
        bool rankings;
        const char* title;
    };
    const Case cases[] = {
        {1, 1, true, ""},
        {0, 5, false, "Your story is still unwritten"},
        {0, 0, false, "Listening statistics unavailable"},
    };
    for (const Case& c : cases) {
        auto stats = counted();
        stats.totalPlays = c.plays;
        stats.playsWithDuration = c.plays;
        stats.songsWithPlayCounts = c.withCounts;
        const auto page = presentStatistics(inputs(stats));
        EXPECT_EQ(page.cards.size(), c.rankings ? 3u : 0u) << c.title;
        ASSERT_EQ(page.recap.has_value(), !c.rankings) << c.title;
        if (page.recap) {
            EXPECT_EQ(page.recap->title, c.title);
            EXPECT_EQ(page.recap->symbol, "waveform.path");
        }
    }
    auto unwritten = counted();
    unwritten.totalPlays = 0;
    EXPECT_EQ(
        presentStatistics(inputs(unwritten)).recap->description,
        "Your server hasn’t reported any song plays yet. Plays recorded by your server will appear after "
        "a library refresh.");
    unwritten.songsWithPlayCounts = 0;
    EXPECT_EQ(presentStatistics(inputs(unwritten)).recap->description,
              "Your server hasn’t supplied song play counts. Refresh your library to check again.");
}

TEST(StatisticsPresenter, StatisticsWinOverTheErrorWhichWinsOverLoading) {
    struct Case {
        bool stats, error, loading;
        State state;
    };
    const Case cases[] = {
        {true, true, true, State::statistics},   {false, true, true, State::error},
        {false, false, true, State::loading},    {false, false, false, State::loadButton},
        {true, false, false, State::statistics},
    };
    for (const Case& c : cases) {
        auto in = inputs(c.stats ? std::optional(counted()) : std::nullopt);
        if (c.error) in.error = "The disk is full.";
        in.loading = c.loading;
        const auto page = presentStatistics(in);
        EXPECT_EQ(page.state, c.state) << c.stats << c.error << c.loading;
        EXPECT_EQ(page.failure.has_value(), c.state == State::error);
        EXPECT_EQ(page.metrics.empty(), c.state != State::statistics);
    }
    auto in = inputs(std::nullopt);
    in.error = "The disk is full.";
    const auto page = presentStatistics(in);
    EXPECT_EQ(page.failure->title, "Couldn’t load statistics");
    EXPECT_EQ(page.failure->description, "The disk is full.");
    EXPECT_EQ(page.failure->symbol, "exclamationmark.triangle");
    EXPECT_EQ(page.tryAgainTitle, "Try Again");
    EXPECT_EQ(page.loadingText, "Reading saved library…");
    EXPECT_EQ(page.loadTitle, "Load Statistics");
}

TEST(StatisticsPresenter, ProvenanceOfACompleteConnectedLibrary) {
    auto stats = counted();
    stats.lastSync = "2026-12-11T14:32:00Z";
    const auto page = presentStatistics(inputs(stats));
    EXPECT_EQ(
        texts(page),
        (std::vector<std::string>{
            "From your server. No extra tracking.",
            "This recap reads the play counts already supplied by your server for this account. Sorvalind "
            "doesn’t record listening history for this page or enable listening reports.",
            "Hours are estimated from song duration × server play count, assuming full plays. These "
            "all-time totals cover music currently in your library. Dated listening history isn’t "
            "available here, so yearly and monthly recaps can’t be calculated.",
            "Artists receive credit for each track they appear on; albums are ranked by song plays.",
            "Last full library refresh: Dec 11, 2026, 2:32\u202FPM",
            "Library: 1,500 albums · 300 artists",
        }));
    EXPECT_EQ(page.provenance[0].symbol, "server.rack");
    EXPECT_EQ(page.provenance[0].kind, Presentation::Line::Kind::heading);
    EXPECT_FALSE(page.tryAgain);
    EXPECT_EQ(page.refreshTitle, "Refresh Library");
    EXPECT_TRUE(page.refreshEnabled);
}

TEST(StatisticsPresenter, EachConditionalProvenanceLine) {
    const std::string counts = "Play counts are available for ";
    const std::string durations = "Some played songs have no duration";
    const std::string needed = "Library refresh needed · totals may be incomplete";
    const std::string running = "Library refresh in progress · totals may be incomplete";
    const std::string saved = "Showing the saved server library";
    const std::string last = "Last full library refresh: ";
    struct Case {
        const char* name;
        std::function<void(ListeningStatistics&, StatisticsInputs&)> change;
        std::vector<std::string> present;
    };
    const std::vector<Case> cases = {
        {"complete", [](auto&, auto&) {}, {}},
        {"some counts", [](auto& s, auto&) { s.songsWithPlayCounts = 800; }, {counts}},
        {"no counts", [](auto& s, auto&) { s.songsWithPlayCounts = 0; }, {}},
        {"missing durations", [](auto& s, auto&) { s.playsWithDuration = 4000; }, {durations}},
        {"partial", [](auto& s, auto&) { s.isPartial = true; }, {needed}},
        {"syncing", [](auto&, auto& in) { in.syncing = true; }, {running}},
        {"partial while syncing", [](auto& s, auto& in) { s.isPartial = in.syncing = true; }, {running}},
        {"disconnected", [](auto&, auto& in) { in.connected = false; }, {saved}},
        {"valid last sync", [](auto& s, auto&) { s.lastSync = "2026-01-02T03:04:05.5+01:00"; }, {last}},
        {"invalid last sync", [](auto& s, auto&) { s.lastSync = "yesterday"; }, {}},
        {"date-only last sync", [](auto& s, auto&) { s.lastSync = "2026-01-02"; }, {}},
    };
    for (const Case& c : cases) {
        auto stats = counted();
        auto in = inputs(std::nullopt);
        c.change(stats, in);
        in.statistics = stats;
        const auto page = presentStatistics(in);
        for (const std::string& line : {counts, durations, needed, running, saved, last}) {
            const bool wanted = std::find(c.present.begin(), c.present.end(), line) != c.present.end();
            EXPECT_EQ(hasLine(page, line), wanted) << c.name << ": " << line;
        }
        EXPECT_EQ(page.provenance.size(), 5u + c.present.size()) << c.name;
    }
    auto stats = counted();
    stats.songsWithPlayCounts = 8000;
    EXPECT_TRUE(hasLine(presentStatistics(inputs(stats)),
                        "Play counts are available for 8,000 of 12,000 songs. Totals may be incomplete."));
    stats.lastSync = "2026-01-02T03:04:05Z";
    auto berlin = inputs(stats);
    berlin.timeZoneId = "Europe/Berlin";
    EXPECT_TRUE(hasLine(presentStatistics(berlin), "Last full library refresh: Jan 2, 2026, 4:04\u202FAM"));
}

TEST(StatisticsPresenter, ErrorWithStatisticsLeadsTheProvenanceAndTheButtonsFollowTheModel) {
    struct Case {
        bool loading, syncing, client;
        bool tryAgainEnabled;
        const char* refreshTitle;
        bool refreshEnabled;
    };
    const Case cases[] = {
        {false, false, true, true, "Refresh Library", true},
        {true, false, true, false, "Refresh Library", true},
        {false, true, true, true, "Refreshing Library…", false},
        {false, false, false, true, "Refresh Library", false},
    };
    for (const Case& c : cases) {
        auto in = inputs(counted());
        in.error = "Reading failed.";
        in.loading = c.loading;
        in.syncing = c.syncing;
        in.hasClient = c.client;
        const auto page = presentStatistics(in);
        ASSERT_EQ(page.state, State::statistics);
        EXPECT_EQ(page.provenance.front().kind, Presentation::Line::Kind::error);
        EXPECT_EQ(page.provenance.front().text, "Reading failed.");
        EXPECT_EQ(page.provenance.front().symbol, "exclamationmark.triangle");
        EXPECT_TRUE(page.tryAgain);
        EXPECT_EQ(page.tryAgainEnabled, c.tryAgainEnabled);
        EXPECT_EQ(page.refreshTitle, c.refreshTitle);
        EXPECT_EQ(page.refreshEnabled, c.refreshEnabled);
    }
}

TEST(StatisticsPresenter, RowsNumberCountAndHintWhatTheyOpen) {
    using Action = ListeningStatistics::Action;
    auto stats = counted();
    Artist artist;
    artist.id = "ar-1";
    artist.name = "Band";
    stats.topArtists = {{"ar-1", "Band", std::nullopt, "cover-ar", 1, Action::artist(artist)},
                        {"Guest & Friend", "Guest & Friend", std::nullopt, std::nullopt, 0,
                         Action::search("Guest & Friend")}};
    stats.topAlbums = {};
    stats.topSongs = {song("so-1", 1234), song("so-2", std::nullopt)};
    const auto page = presentStatistics(inputs(stats));
    ASSERT_EQ(page.cards.size(), 3u);
    const auto& artists = page.cards[0];
    EXPECT_EQ(artists.title, "Top artists");
    EXPECT_EQ(artists.subtitle, "Your most-played artists");
    EXPECT_EQ(artists.symbol, "person.2");
    EXPECT_FALSE(artists.emptyNote);
    ASSERT_EQ(artists.rows.size(), 2u);
    EXPECT_EQ(artists.rows[0].rank, "1");
    EXPECT_EQ(artists.rows[0].plays, "1 play");
    EXPECT_EQ(artists.rows[0].accessibilityId, "statistics:person.2:ar-1");
    EXPECT_EQ(artists.rows[0].hint, "Open artist in your library.");
    EXPECT_EQ(artists.rows[0].trailingSymbol, "chevron.right");
    EXPECT_EQ(artists.rows[1].rank, "2");
    EXPECT_EQ(artists.rows[1].plays, "0 plays");
    EXPECT_EQ(artists.rows[1].hint, "Find matching music in your library.");

    const auto& songs = page.cards[1];
    EXPECT_EQ(songs.title, "Top songs");
    EXPECT_EQ(songs.subtitle, "The tracks on repeat");
    ASSERT_EQ(songs.rows.size(), 2u);
    EXPECT_EQ(songs.rows[0].name, "Song so-1");
    EXPECT_EQ(songs.rows[0].subtitle, "Someone");
    EXPECT_EQ(songs.rows[0].coverArt, "cover-so-1");
    EXPECT_EQ(songs.rows[0].plays, "1,234 plays");
    EXPECT_EQ(songs.rows[1].plays, "0 plays");
    EXPECT_EQ(songs.rows[0].trailingSymbol, "play.circle");
    EXPECT_EQ(songs.rows[0].hint, "Play this song and continue through your top songs.");
    EXPECT_EQ(songs.rows[0].accessibilityId, "statistics:music.note:so-1");

    const auto& albums = page.cards[2];
    EXPECT_EQ(albums.title, "Top albums");
    EXPECT_EQ(albums.subtitle, "Ranked by total song plays");
    EXPECT_EQ(albums.symbol, "square.stack");
    EXPECT_EQ(albums.emptyNote, "Your server hasn’t supplied enough metadata for this ranking.");
    EXPECT_TRUE(albums.rows.empty());

    EXPECT_EQ(statisticsHint(Action::album("al-1", "Album")), "Open album in your library.");
    EXPECT_EQ(playCountText(2, "en_US"), "2 plays");
}

TEST(StatisticsPresenter, OnlySongsBypassTheNavigationHandler) {
    using Action = ListeningStatistics::Action;
    struct Case {
        Action action;
        bool handler;
        StatisticsClick click;
    };
    const Case cases[] = {
        {Action::artist(Artist{}), true, StatisticsClick::navigate},
        {Action::album("al-1", "A"), true, StatisticsClick::navigate},
        {Action::search("x"), true, StatisticsClick::navigate},
        {Action::song(song("so-1", 1)), true, StatisticsClick::activate},
        {Action::artist(Artist{}), false, StatisticsClick::activate},
        {Action::album("al-1", "A"), false, StatisticsClick::activate},
        {Action::search("x"), false, StatisticsClick::activate},
        {Action::song(song("so-1", 1)), false, StatisticsClick::activate},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statisticsClick(c.action, c.handler), c.click) << statisticsHint(c.action) << c.handler;
}

TEST(StatisticsPresenter, HeroNamesTheAccountWhenThereIsOne) {
    auto in = inputs(std::nullopt);
    auto page = presentStatistics(in);
    EXPECT_EQ(page.hero.badge, "ALL-TIME · SERVER RECAP");
    EXPECT_EQ(page.hero.title, "Your listening story");
    EXPECT_EQ(page.hero.tagline, "The music you keep coming back to.");
    EXPECT_FALSE(page.hero.account);
    in.account = StatisticsInputs::Account{"music.example.org", "ada"};
    EXPECT_EQ(presentStatistics(in).hero.account, "music.example.org · ada");
    in.account = StatisticsInputs::Account{"", "ada"};
    EXPECT_EQ(presentStatistics(in).hero.account, "Server · ada");
}

TEST(StatisticsPresenter, ArtworkIsReachableOnlyConnectedAndOnline) {
    struct Case {
        bool connected, offline, reachable;
    };
    for (const Case c : {Case{true, false, true}, Case{true, true, false}, Case{false, false, false}}) {
        auto in = inputs(counted());
        in.connected = c.connected;
        in.offline = c.offline;
        EXPECT_EQ(presentStatistics(in).artworkConnected, c.reachable);
    }
}

TEST(StatisticsPresenter, RankingColumnsFitTheWidth) {
    struct Case {
        int width, minimum, columns;
    };
    const Case cases[] = {{0, 320, 1},    {319, 320, 1},  {663, 320, 1},  {664, 320, 2},  {1007, 320, 2},
                          {1008, 320, 3}, {1100, 320, 3}, {2000, 320, 5}, {1052, 393, 2}, {-50, 320, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(statisticsRankingColumns(c.width, c.minimum), c.columns) << c.width << " " << c.minimum;
    EXPECT_EQ(statisticsRankingMinimum(13), 320);
    EXPECT_EQ(statisticsRankingMinimum(16), 393);
    EXPECT_EQ(statisticsRankingMinimum(10), 246);
}

} // namespace
} // namespace sorvalind
