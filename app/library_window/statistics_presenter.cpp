#include "library_window/statistics_presenter.h"

#include "platform/text/date_time.h"
#include "platform/text/locale_number.h"

#include <algorithm>
#include <type_traits>

namespace sorvalind {

namespace {

std::string whole(std::int64_t value, const std::string& localeId) {
    return text::decimalText(static_cast<double>(value), 0, 0, localeId);
}

std::string trailingSymbol(const ListeningStatistics::Action& action) {
    return std::holds_alternative<ListeningStatistics::Action::SongTarget>(action.target) ? "play.circle"
                                                                                          : "chevron.right";
}

StatisticsPresentation::Card card(std::string title, std::string subtitle, std::string symbol,
                                  const std::vector<ListeningStatistics::Ranking>& entries,
                                  const std::string& localeId) {
    StatisticsPresentation::Card result{std::move(title), std::move(subtitle), std::move(symbol), {}, {}};
    if (entries.empty()) result.emptyNote = "Your server hasn’t supplied enough metadata for this ranking.";
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const auto& entry = entries[n];
        result.rows.push_back({entry.id, std::to_string(n + 1), entry.name, entry.subtitle, entry.coverArt,
                               playCountText(entry.plays, localeId), trailingSymbol(entry.action),
                               statisticsHint(entry.action), "statistics:" + result.symbol + ":" + entry.id,
                               entry.action});
    }
    return result;
}

void addStatistics(StatisticsPresentation& page, const ListeningStatistics& stats,
                   const StatisticsInputs& in) {
    using Line = StatisticsPresentation::Line;
    const std::string& locale = in.localeId;
    const std::string dash = "—";
    page.metrics = {
        {"Server plays", "play.fill", stats.songsWithPlayCounts < 1 ? dash : whole(stats.totalPlays, locale)},
        {"Estimated hours", "clock",
         stats.playsWithDuration < 1 ? dash : text::decimalText(stats.estimatedSeconds / 3600, 1, 1, locale)},
        {"Songs played", "repeat", stats.songsWithPlayCounts < 1 ? dash : whole(stats.uniqueSongs, locale)},
        {"Songs in library", "music.note", whole(stats.librarySongs, locale)},
    };

    if (stats.totalPlays >= 1) {
        std::vector<ListeningStatistics::Ranking> songs;
        songs.reserve(stats.topSongs.size());
        for (const Song& song : stats.topSongs)
            songs.emplace_back(song);
        page.cards.push_back(
            card("Top artists", "Your most-played artists", "person.2", stats.topArtists, locale));
        page.cards.push_back(card("Top songs", "The tracks on repeat", "music.note", songs, locale));
        page.cards.push_back(
            card("Top albums", "Ranked by total song plays", "square.stack", stats.topAlbums, locale));
    } else if (stats.songsWithPlayCounts != 0) {
        page.recap = {{"waveform.path", "Your story is still unwritten",
                       "Your server hasn’t reported any song plays yet. Plays recorded by your server will "
                       "appear after a library refresh."}};
    } else {
        page.recap = {{"waveform.path", "Listening statistics unavailable",
                       "Your server hasn’t supplied song play counts. Refresh your library to check again."}};
    }

    auto& lines = page.provenance;
    if (in.error) {
        lines.push_back({Line::Kind::error, "exclamationmark.triangle", *in.error});
        page.tryAgain = true;
        page.tryAgainEnabled = !in.loading;
    }
    lines.push_back({Line::Kind::heading, "server.rack", "From your server. No extra tracking."});
    lines.push_back(
        {Line::Kind::text, "",
         "This recap reads the play counts already supplied by your server for this account. "
         "Sorvalind doesn’t record listening history for this page or enable listening reports."});
    lines.push_back({Line::Kind::text, "",
                     "Hours are estimated from song duration × server play count, assuming full plays. These "
                     "all-time totals cover music currently in your library. Dated listening history isn’t "
                     "available here, so yearly and monthly recaps can’t be calculated."});
    lines.push_back(
        {Line::Kind::text, "",
         "Artists receive credit for each track they appear on; albums are ranked by song plays."});
    if (stats.songsWithPlayCounts >= 1 && stats.songsWithPlayCounts < stats.librarySongs)
        lines.push_back({Line::Kind::text, "",
                         "Play counts are available for " + whole(stats.songsWithPlayCounts, locale) +
                             " of " + whole(stats.librarySongs, locale) +
                             " songs. Totals may be incomplete."});
    if (stats.playsWithDuration < stats.totalPlays)
        lines.push_back(
            {Line::Kind::text, "",
             "Some played songs have no duration; their plays aren’t included in estimated hours."});
    if (stats.isPartial || in.syncing)
        lines.push_back({Line::Kind::label, "arrow.clockwise",
                         in.syncing ? "Library refresh in progress · totals may be incomplete"
                                    : "Library refresh needed · totals may be incomplete"});
    if (stats.lastSync)
        if (const auto moment = text::parseInternetDateTime(*stats.lastSync))
            lines.push_back({Line::Kind::text, "",
                             "Last full library refresh: " +
                                 text::abbreviatedDateTimeText(*moment, locale, in.timeZoneId)});
    if (!in.connected)
        lines.push_back({Line::Kind::label, "icloud.slash", "Showing the saved server library"});
    lines.push_back({Line::Kind::text, "",
                     "Library: " + whole(stats.libraryAlbums, locale) + " albums · " +
                         whole(stats.libraryArtists, locale) + " artists"});
    page.refreshTitle = in.syncing ? "Refreshing Library…" : "Refresh Library";
    page.refreshEnabled = !in.syncing && in.hasClient;
}

} // namespace

std::string playCountText(std::int64_t plays, const std::string& localeId) {
    return whole(plays, localeId) + (plays == 1 ? " play" : " plays");
}

std::string statisticsHint(const ListeningStatistics::Action& action) {
    return std::visit(
        [](const auto& target) -> std::string {
            using T = std::decay_t<decltype(target)>;
            if constexpr (std::is_same_v<T, ListeningStatistics::Action::ArtistTarget>)
                return "Open artist in your library.";
            else if constexpr (std::is_same_v<T, ListeningStatistics::Action::AlbumTarget>)
                return "Open album in your library.";
            else if constexpr (std::is_same_v<T, ListeningStatistics::Action::SongTarget>)
                return "Play this song and continue through your top songs.";
            else
                return "Find matching music in your library.";
        },
        action.target);
}

StatisticsClick statisticsClick(const ListeningStatistics::Action& action, bool hasNavigation) {
    const bool song = std::holds_alternative<ListeningStatistics::Action::SongTarget>(action.target);
    return hasNavigation && !song ? StatisticsClick::navigate : StatisticsClick::activate;
}

int statisticsRankingColumns(int width, int minimum) {
    return std::max(1, (width + 24) / (std::max(1, minimum) + 24));
}

int statisticsRankingMinimum(int bodyPixelSize) {
    return 320 * std::max(1, bodyPixelSize) / 13;
}

StatisticsPresentation presentStatistics(const StatisticsInputs& in) {
    StatisticsPresentation page;
    page.hero = {"ALL-TIME · SERVER RECAP", "Your listening story", "The music you keep coming back to.", {}};
    if (in.account)
        page.hero.account =
            (in.account->host.empty() ? std::string("Server") : in.account->host) + " · " + in.account->user;
    page.loadingText = "Reading saved library…";
    page.loadTitle = "Load Statistics";
    page.tryAgainTitle = "Try Again";
    page.artworkConnected = in.connected && !in.offline;
    if (in.statistics) {
        page.state = StatisticsPresentation::State::statistics;
        addStatistics(page, *in.statistics, in);
    } else if (in.error) {
        page.state = StatisticsPresentation::State::error;
        page.failure = {{"exclamationmark.triangle", "Couldn’t load statistics", *in.error}};
    } else if (in.loading) {
        page.state = StatisticsPresentation::State::loading;
    } else {
        page.state = StatisticsPresentation::State::loadButton;
    }
    return page;
}

} // namespace sorvalind
