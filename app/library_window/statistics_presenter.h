#pragma once
// Everything the statistics page shows, as plain values: every text, figure
// and condition comes from here, so the page only lays them out. Numbers are
// written in the given locale, the last refresh in the given time zone.
//
// Pure values and functions; any thread.

#include "library/listening_statistics.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct StatisticsInputs {
    struct Account {
        std::string host; // empty when the server's address has none
        std::string user;
    };

    std::optional<ListeningStatistics> statistics;
    std::optional<std::string> error;
    bool loading = false;
    bool syncing = false;
    bool connected = false;
    bool offline = false;
    bool hasClient = false;
    std::optional<Account> account;
    std::string localeId;
    std::string timeZoneId;
};

struct StatisticsPresentation {
    // Which one of these follows the hero, in the order they are tested.
    enum class State { statistics, error, loading, loadButton };

    struct Hero {
        std::string badge;
        std::string title;
        std::string tagline;
        std::optional<std::string> account;
    };
    struct Metric {
        std::string label;
        std::string symbol;
        std::string value;
    };
    struct Empty {
        std::string symbol;
        std::string title;
        std::string description;
    };
    struct Row {
        std::string id;
        std::string rank;
        std::string name;
        std::optional<std::string> subtitle;
        std::optional<std::string> coverArt;
        std::string plays;
        std::string trailingSymbol;
        std::string hint;
        std::string accessibilityId;
        ListeningStatistics::Action action;
    };
    struct Card {
        std::string title;
        std::string subtitle;
        std::string symbol;
        std::optional<std::string> emptyNote;
        std::vector<Row> rows;
    };
    struct Line {
        enum class Kind { error, heading, text, label };
        Kind kind = Kind::text;
        std::string symbol; // empty for plain text
        std::string text;
    };

    Hero hero;
    State state = State::loadButton;

    // State::error and State::loading.
    std::optional<Empty> failure;
    std::string loadingText;
    std::string loadTitle;
    std::string tryAgainTitle;

    // State::statistics.
    std::vector<Metric> metrics;
    // Either the rankings or the empty recap.
    std::vector<Card> cards;
    std::optional<Empty> recap;
    std::vector<Line> provenance;
    bool tryAgain = false; // after the error line
    bool tryAgainEnabled = false;
    std::string refreshTitle;
    bool refreshEnabled = false;

    // Whether the page shows artwork as reachable.
    bool artworkConnected = false;
};

StatisticsPresentation presentStatistics(const StatisticsInputs& inputs);

// "play" for one, else "plays", after the count in the locale's grouping.
std::string playCountText(std::int64_t plays, const std::string& localeId);
// The hint (and tooltip) of a row by what it opens.
std::string statisticsHint(const ListeningStatistics::Action& action);

// A row's click: the page's navigation handler takes what it opens unless
// it is a song or there is no handler; else the model activates it.
enum class StatisticsClick { navigate, activate };
StatisticsClick statisticsClick(const ListeningStatistics::Action& action, bool hasNavigation);

// How many ranking columns fit in `width`, each at least `minimum` wide
// with 24 between them (at least one).
int statisticsRankingColumns(int width, int minimum);
// The ranking's minimum width for the body font's pixel size.
int statisticsRankingMinimum(int bodyPixelSize);

} // namespace sorvalind
