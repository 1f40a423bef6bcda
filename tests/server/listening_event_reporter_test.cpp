// Now-playing notices and play submissions over time, on a virtual clock with
// the main actor and the request worker as manual executors.

#include "server/listening_event_reporter.h"

#include "runtime/cancellation.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <deque>
#include <limits>
#include <stdexcept>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

struct Sent {
    std::string songID;
    bool submission;
    double atSecond; // seconds of virtual time since the test began
    bool operator==(const Sent&) const = default;
};

QueueEntry entry(std::optional<double> duration, std::string songID = "song-1") {
    Song song = Song::make(std::move(songID), "Title");
    song.duration = duration;
    return QueueEntry(std::move(song));
}

class ListeningEventReporterTest : public ::testing::Test {
protected:
    VirtualClock clock;
    ManualExecutor mainActor{clock};
    ManualExecutor worker{clock};
    SteadyTime start = clock.now();
    std::vector<Sent> sent;
    // Play submissions that reached the server, accepted or not.
    int submissionsReceived = 0;
    // Outcomes for the next requests that reach the server: true accepts,
    // false fails. Empty means accept.
    std::deque<bool> outcomes;
    ListeningEventReporter reporter{mainActor, worker};

    void SetUp() override {
        reporter.setApi(server());
        reporter.setEnabled(true);
    }

    ListeningEventReporter::Scrobble server() {
        return [this](const std::string& songID, bool submission, std::stop_token stop) {
            throwIfCancelled(stop);
            if (submission) ++submissionsReceived;
            bool accept = true;
            if (!outcomes.empty()) {
                accept = outcomes.front();
                outcomes.pop_front();
            }
            if (!accept) throw std::runtime_error("The server is unreachable.");
            sent.push_back({songID, submission, seconds()});
        };
    }

    double seconds() const { return std::chrono::duration<double>(clock.now() - start).count(); }

    // Plays for `span` seconds with one position report a second, measured on
    // the virtual clock, and lets every request finish in between.
    void play(const QueueEntry& playing, int span) {
        for (int i = 0; i < span; ++i) {
            const SteadyTime before = clock.now();
            clock.advance(1s);
            reporter.progressed(playing, std::chrono::duration<double>(clock.now() - before).count(), true);
            clock.runUntilIdle();
        }
    }

    // Starts the entry and spends the report that follows switching on.
    void begin(const QueueEntry& playing, bool repeating = false) {
        reporter.began(playing, repeating);
        clock.runUntilIdle();
    }

    std::vector<double> submissionTimes() const {
        std::vector<double> times;
        for (const Sent& s : sent) {
            if (s.submission) times.push_back(s.atSecond);
        }
        return times;
    }
};

TEST_F(ListeningEventReporterTest, SubmitsAtHalfTheSongOrThirtySeconds) {
    struct Case {
        std::optional<double> duration;
        std::vector<double> submittedAt;
    };
    const std::vector<Case> cases = {
        {180.0, {30}}, {40.0, {20}}, {61.0, {30}},
        {59.0, {30}},  {1.5, {1}},   {std::nullopt, {}},
        {0.0, {}},     {-10.0, {}},  {std::numeric_limits<double>::quiet_NaN(), {}},
    };
    for (const Case& c : cases) {
        sent.clear();
        reporter.setEnabled(false);
        reporter.setEnabled(true);
        reporter.progressed(entry(c.duration), 1, true); // the report right after switching on is ignored
        start = clock.now();
        const QueueEntry playing = entry(c.duration);
        begin(playing);
        play(playing, 200);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), (Sent{"song-1", false, 0})) << "now playing first";
        EXPECT_EQ(submissionTimes(), c.submittedAt) << c.duration.value_or(-1);
        EXPECT_EQ(reporter.submitted(playing.id), !c.submittedAt.empty());
    }
}

TEST_F(ListeningEventReporterTest, EachReportCountsAtMostOneSecondAndOnlyWhilePlaying) {
    const QueueEntry playing = entry(180.0);
    reporter.progressed(playing, 1, true); // ignored: first report after switching on
    EXPECT_EQ(reporter.listened(playing.id), 0);

    const std::vector<std::pair<double, double>> reports = {
        {0.5, 0.5},
        {5, 1},
        {-2, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 1},
        {0.25, 0.25},
    };
    double total = 0;
    for (const auto& [elapsed, counted] : reports) {
        reporter.progressed(playing, elapsed, true);
        total += counted;
        EXPECT_DOUBLE_EQ(reporter.listened(playing.id), total) << elapsed;
    }
    reporter.progressed(playing, 1, false);
    EXPECT_DOUBLE_EQ(reporter.listened(playing.id), total) << "paused";
}

TEST_F(ListeningEventReporterTest, SwitchedOffSendsAndCountsNothing) {
    reporter.setEnabled(false);
    const QueueEntry playing = entry(40.0);
    begin(playing);
    play(playing, 60);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(reporter.listened(playing.id), 0);
}

TEST_F(ListeningEventReporterTest, RepeatOneNotifiesAndSubmitsEveryRound) {
    const QueueEntry playing = entry(40.0);
    reporter.progressed(playing, 1, true);
    begin(playing);
    play(playing, 40);
    begin(playing, true);
    EXPECT_EQ(reporter.listened(playing.id), 0);
    EXPECT_FALSE(reporter.submitted(playing.id));
    play(playing, 40);
    EXPECT_EQ(sent,
              (std::vector<Sent>{
                  {"song-1", false, 0}, {"song-1", true, 20}, {"song-1", false, 40}, {"song-1", true, 60}}));
}

TEST_F(ListeningEventReporterTest, TheSameSongQueuedTwiceIsSubmittedTwice) {
    const QueueEntry first = entry(40.0);
    const QueueEntry second = entry(40.0);
    reporter.progressed(first, 1, true);
    begin(first);
    play(first, 40);
    begin(second);
    play(second, 40);
    EXPECT_EQ(submissionTimes(), (std::vector<double>{20, 60}));
}

TEST_F(ListeningEventReporterTest, SwitchingOffCancelsUnsentRequestsAndOnStartsFromZero) {
    const QueueEntry playing = entry(40.0);
    reporter.progressed(playing, 1, true);
    begin(playing);
    play(playing, 10);

    // Two requests queued on the worker but not yet run.
    reporter.began(entry(40.0, "song-2"), false);
    reporter.began(entry(40.0, "song-3"), false);
    EXPECT_EQ(worker.pending(), 2u);
    EXPECT_EQ(reporter.pendingCount(), 2u);

    reporter.setEnabled(false);
    EXPECT_EQ(reporter.pendingCount(), 0u);
    clock.runUntilIdle();
    EXPECT_EQ(sent, (std::vector<Sent>{{"song-1", false, 0}}));

    reporter.setEnabled(true);
    EXPECT_EQ(reporter.listened(playing.id), 0);
    play(playing, 20);
    EXPECT_TRUE(submissionTimes().empty()) << "the first report after switching on is ignored";
    play(playing, 1);
    EXPECT_EQ(submissionTimes(), (std::vector<double>{31}));
}

TEST_F(ListeningEventReporterTest, ARefusedSubmissionIsNeverSentAgain) {
    // A resend would also carry the wrong listening time: the request is
    // stamped when it is sent.
    const QueueEntry playing = entry(180.0);
    reporter.progressed(playing, 1, true);
    begin(playing);
    outcomes = {false}; // the server refuses the submission
    play(playing, 30);
    EXPECT_EQ(submissionsReceived, 1);
    EXPECT_TRUE(reporter.submitted(playing.id)) << "sent counts as submitted";
    for (int i = 0; i < 600; ++i) {
        reporter.progressed(playing, 0.25, true);
        clock.runUntilIdle();
    }
    EXPECT_EQ(submissionsReceived, 1);
    EXPECT_TRUE(submissionTimes().empty());
}

TEST_F(ListeningEventReporterTest, OneSubmissionAtATimeWhileTheFirstIsInFlight) {
    const QueueEntry playing = entry(40.0);
    reporter.progressed(playing, 1, true);
    begin(playing);
    for (int i = 0; i < 25; ++i) {
        reporter.progressed(playing, 1, true);
        mainActor.runUntilIdle(); // the worker never gets to send
    }
    EXPECT_EQ(worker.pending(), 1u);
    clock.runUntilIdle();
    play(playing, 10);
    EXPECT_EQ(submissionTimes().size(), 1u);
    EXPECT_TRUE(reporter.submitted(playing.id));
}

TEST_F(ListeningEventReporterTest, WithoutClientThePlayCountsAsSubmitted) {
    const QueueEntry playing = entry(40.0);
    reporter.setApi(ListeningEventReporter::Scrobble{});
    reporter.progressed(playing, 1, true);
    begin(playing);
    play(playing, 25);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(reporter.submitted(playing.id));
    EXPECT_EQ(reporter.pendingCount(), 0u);

    reporter.setApi(server());
    play(playing, 10);
    EXPECT_TRUE(sent.empty()) << "a client that arrives later does not submit the play";
}

TEST_F(ListeningEventReporterTest, ARepeatSubmitsAgainWhileTheLastRoundsSubmissionIsInFlight) {
    const QueueEntry playing = entry(40.0);
    reporter.progressed(playing, 1, true);
    begin(playing);
    for (int i = 0; i < 20; ++i)
        reporter.progressed(playing, 1, true);
    mainActor.runUntilIdle(); // the submission now waits on the worker
    reporter.began(playing, true);
    clock.runUntilIdle(); // the old submission is accepted after the repeat began
    EXPECT_FALSE(reporter.submitted(playing.id));
    play(playing, 20);
    EXPECT_TRUE(reporter.submitted(playing.id));
    EXPECT_EQ(submissionTimes().size(), 2u);
}

TEST(ListeningEventReporterLifetime, RequestsLeftBehindFinishQuietly) {
    VirtualClock clock;
    ManualExecutor mainActor{clock};
    ManualExecutor worker{clock};
    int calls = 0;
    {
        ListeningEventReporter reporter{mainActor, worker};
        reporter.setApi([&calls](const std::string&, bool, std::stop_token stop) {
            throwIfCancelled(stop);
            ++calls;
        });
        reporter.setEnabled(true);
        reporter.began(entry(40.0), false);
        mainActor.runUntilIdle();
        reporter.began(entry(40.0), false);
    }
    clock.runUntilIdle();
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace sorvalind
