#include "playback/queue_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace sorvalind {
namespace {

std::vector<Song> songs(int count) {
    std::vector<Song> made;
    for (int index = 1; index <= count; ++index)
        made.push_back(Song::make("s" + std::to_string(index), "Song " + std::to_string(index)));
    return made;
}

std::string songsOf(const std::vector<QueueEntry>& entries) {
    std::string text;
    for (const QueueEntry& entry : entries)
        text += (text.empty() ? "" : " ") + entry.song.id;
    return text;
}

std::string currentOf(const QueueState& queue) {
    return queue.current ? queue.current->song.id : "-";
}

// "current | manual | context | history", by song id.
std::string layout(const QueueState& queue) {
    return currentOf(queue) + " | " + songsOf(queue.manual) + " | " + songsOf(queue.context) + " | " +
           songsOf(queue.history);
}

// Always draws 0: Fisher-Yates then turns a b c d into b c d a.
std::size_t firstIndex(std::size_t) {
    return 0;
}

ShuffleSource seeded(std::uint64_t seed) {
    auto generator = std::make_shared<std::mt19937_64>(seed);
    return [generator](std::size_t bound) { return static_cast<std::size_t>((*generator)() % bound); };
}

// Every identifier at most once across the four parts.
void expectDistinctIdentifiers(const QueueState& queue) {
    std::set<std::string> seen;
    auto add = [&](const QueueEntry& entry) { EXPECT_TRUE(seen.insert(entry.id).second) << entry.id; };
    if (queue.current) add(*queue.current);
    for (const auto* part : {&queue.manual, &queue.context, &queue.history})
        for (const QueueEntry& entry : *part)
            add(entry);
}

TEST(QueueState, ReplaceChoosesAndClampsTheStart) {
    struct Case {
        std::optional<std::string> startingAt;
        std::optional<std::int64_t> startingIndex;
        const char* expected;
    } cases[] = {
        {std::nullopt, std::nullopt, "s1 |  | s2 s3 | "},
        {"s2", std::nullopt, "s2 |  | s3 | s1"},
        {"nowhere", std::nullopt, "s1 |  | s2 s3 | "},
        {"s3", 0, "s1 |  | s2 s3 | "}, // an index wins over the song id
        {std::nullopt, 99, "s3 |  |  | s1 s2"},
        {std::nullopt, -1, "s1 |  | s2 s3 | "},
    };
    for (const Case& c : cases) {
        QueueState queue;
        queue.enqueue(songs(1), false); // a manual entry that replace must drop
        queue.repeatMode = RepeatMode::all;
        queue.replace(songs(3), c.startingAt, c.startingIndex);
        EXPECT_EQ(layout(queue), c.expected);
        EXPECT_EQ(queue.originalOrder.size(), 3u);
        EXPECT_EQ(queue.repeatMode, RepeatMode::all);
        expectDistinctIdentifiers(queue);
    }
}

TEST(QueueState, ReplaceWithNothingLeavesAnIdleQueueKeepingItsModes) {
    QueueState queue;
    queue.replace(songs(3), "s2", std::nullopt);
    queue.enqueue(songs(1), true);
    queue.repeatMode = RepeatMode::one;
    queue.shuffle = true;
    queue.replace({}, std::nullopt, std::nullopt);
    EXPECT_EQ(layout(queue), "- |  |  | ");
    EXPECT_TRUE(queue.originalOrder.empty());
    EXPECT_EQ(queue.repeatMode, RepeatMode::one);
    EXPECT_TRUE(queue.shuffle);
}

TEST(QueueState, SameSongTwiceIsTwoEntries) {
    QueueState queue;
    std::vector<Song> twice{Song::make("x", "X"), Song::make("x", "X")};
    queue.replace(twice, std::nullopt, std::nullopt);
    ASSERT_TRUE(queue.current);
    ASSERT_EQ(queue.context.size(), 1u);
    EXPECT_NE(queue.current->id, queue.context[0].id);
    EXPECT_EQ(queue.originalOrder, (std::vector<std::string>{queue.current->id, queue.context[0].id}));
}

TEST(QueueState, ShuffleDrawsFromTheInjectedSource) {
    // A scripted source gives an exact order; only what follows the start is
    // shuffled, the history keeps list order.
    QueueState queue;
    queue.shuffle = true;
    queue.replace(songs(6), std::nullopt, 2, firstIndex);
    EXPECT_EQ(layout(queue), "s3 |  | s5 s6 s4 | s1 s2");

    QueueState shuffled;
    shuffled.replaceShuffled(songs(4), firstIndex);
    EXPECT_EQ(layout(shuffled), "s1 |  | s2 s3 s4 | ");
    EXPECT_TRUE(shuffled.shuffle);

    // A seeded source: the same seed gives the same order, and the order is a
    // permutation of the list.
    QueueState first, second;
    first.replaceShuffled(songs(50), seeded(7));
    second.replaceShuffled(songs(50), seeded(7));
    EXPECT_EQ(layout(first), layout(second));
    std::vector<std::string> ids;
    for (const QueueEntry& entry : first.context)
        ids.push_back(entry.song.id);
    ids.push_back(first.current->song.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(ids.size(), 50u);
    EXPECT_NE(songsOf(first.context).substr(0, 11), "s1 s2 s3 s4");
}

TEST(QueueState, ReplaceShuffledOfOneOrNoSong) {
    QueueState one;
    one.replaceShuffled(songs(1));
    EXPECT_EQ(layout(one), "s1 |  |  | ");
    QueueState none;
    none.replaceShuffled({});
    EXPECT_EQ(layout(none), "- |  |  | ");
    EXPECT_TRUE(none.shuffle);
}

TEST(QueueState, ShuffleOffRestoresTheListOrderWithStrangersLast) {
    QueueState queue;
    queue.replace(songs(5), std::nullopt, 1);
    queue.enqueue({Song::make("m", "Manual")}, false);
    queue.toggleShuffle(seeded(3));
    ASSERT_TRUE(queue.shuffle);
    EXPECT_EQ(songsOf(queue.manual), "m");

    // The manual entry plays, then previous() moves it into the context:
    // with shuffle off it then comes after every entry the list made.
    queue.advance();
    queue.previous();
    EXPECT_EQ(currentOf(queue), "s2");
    EXPECT_EQ(queue.context.front().song.id, "m");
    queue.toggleShuffle();
    EXPECT_FALSE(queue.shuffle);
    EXPECT_EQ(layout(queue), "s2 |  | s3 s4 s5 m | s1");
}

TEST(QueueState, AdvanceByRepeatMode) {
    struct Case {
        RepeatMode mode;
        int steps;
        const char* expected;
        const char* result;
    } cases[] = {
        {RepeatMode::off, 1, "s2 |  | s3 | s1", "s2"},
        {RepeatMode::off, 3, "- |  |  | s1 s2 s3", "-"},
        {RepeatMode::off, 4, "- |  |  | s1 s2 s3", "-"},
        // After the last entry repeat all starts at the oldest entry again;
        // the one that just finished comes last.
        {RepeatMode::all, 3, "s1 |  | s2 s3 | ", "s1"},
        {RepeatMode::one, 2, "s1 |  | s2 s3 | ", "s1"},
    };
    for (const Case& c : cases) {
        QueueState queue;
        queue.replace(songs(3), std::nullopt, std::nullopt);
        queue.repeatMode = c.mode;
        std::optional<QueueEntry> result;
        for (int step = 0; step < c.steps; ++step)
            result = queue.advance();
        EXPECT_EQ(layout(queue), c.expected) << c.mode.rawValue() << " x" << c.steps;
        EXPECT_EQ(result ? result->song.id : "-", c.result);
        EXPECT_EQ(result, queue.current);
    }
}

TEST(QueueState, ManualEntriesPlayFirstAndThenJoinTheHistory) {
    QueueState queue;
    queue.shuffle = true;
    queue.replace(songs(4), std::nullopt, std::nullopt, seeded(11));
    queue.enqueue({Song::make("a", "A"), Song::make("b", "B")}, false);
    queue.enqueue({Song::make("c", "C")}, true); // Play Next goes in front
    EXPECT_EQ(songsOf(queue.manual), "c a b");
    EXPECT_EQ(queue.advance()->song.id, "c");
    EXPECT_EQ(queue.advance()->song.id, "a");
    EXPECT_EQ(queue.advance()->song.id, "b");
    EXPECT_EQ(songsOf(queue.history), "s1 c a");
    EXPECT_TRUE(queue.manual.empty());
    EXPECT_EQ(songsOf(queue.upcoming()), songsOf(queue.context));
}

TEST(QueueState, PreviousStepsBackIntoTheContext) {
    QueueState queue;
    queue.replace(songs(3), std::nullopt, std::nullopt);
    queue.previous(); // empty history: nothing
    EXPECT_EQ(layout(queue), "s1 |  | s2 s3 | ");
    queue.enqueue({Song::make("m", "M")}, true);
    queue.advance();
    EXPECT_EQ(layout(queue), "m |  | s2 s3 | s1");
    queue.previous();
    EXPECT_EQ(layout(queue), "s1 |  | m s2 s3 | ");
    EXPECT_EQ(queue.upcoming().front().song.id, "m");

    // After the end (no current entry) previous brings the last song back.
    queue.advance();
    queue.advance();
    queue.advance();
    queue.advance();
    EXPECT_EQ(layout(queue), "- |  |  | s1 m s2 s3");
    queue.previous();
    EXPECT_EQ(layout(queue), "s3 |  |  | s1 m s2");
}

TEST(QueueState, EnqueueIntoAnIdleQueueStartsEvenUnderRepeatOne) {
    for (RepeatMode mode : RepeatMode::allCases()) {
        QueueState queue;
        queue.repeatMode = mode;
        EXPECT_TRUE(queue.enqueue(songs(2), false)) << mode.rawValue();
        EXPECT_EQ(layout(queue), "s1 | s2 |  | ") << mode.rawValue();
        EXPECT_EQ(queue.repeatMode, mode);
        // With a current entry, enqueueing only adds.
        EXPECT_FALSE(queue.enqueue({Song::make("x", "X")}, true));
        EXPECT_EQ(layout(queue), "s1 | x s2 |  | ");
    }
}

TEST(QueueState, RemoveAndMoveFindEntriesByIdentifier) {
    QueueState queue;
    queue.replace(songs(4), std::nullopt, 1);
    queue.enqueue({Song::make("a", "A"), Song::make("b", "B")}, false);
    auto id = [&](const char* songID) {
        for (const QueueEntry& entry : queue.upcoming())
            if (entry.song.id == songID) return entry.id;
        if (queue.current && queue.current->song.id == songID) return queue.current->id;
        for (const QueueEntry& entry : queue.history)
            if (entry.song.id == songID) return entry.id;
        return std::string("00000000-0000-0000-0000-000000000000");
    };
    EXPECT_EQ(layout(queue), "s2 | a b | s3 s4 | s1");

    struct Step {
        const char* action;
        const char* first;
        const char* second;
        const char* expected;
    } steps[] = {
        {"move", "s4", "b", "s2 | a s4 b | s3 | s1"},    // context into the manual part
        {"move", "a", "s3", "s2 | s4 b | a s3 | s1"},    // and back out
        {"move", "b", "b", "s2 | s4 b | a s3 | s1"},     // onto itself
        {"move", "b", "s2", "s2 | s4 b | a s3 | s1"},    // before the current entry
        {"move", "b", "s1", "s2 | s4 b | a s3 | s1"},    // before a played entry
        {"move", "gone", "s3", "s2 | s4 b | a s3 | s1"}, // an unknown entry
        {"move", "s3", "a", "s2 | s4 b | s3 a | s1"},    // within the context
        {"remove", "s2", "", "s2 | s4 b | s3 a | s1"},   // the current entry stays
        {"remove", "s1", "", "s2 | s4 b | s3 a | s1"},   // and so does the history
        {"remove", "b", "", "s2 | s4 | s3 a | s1"},      {"remove", "s3", "", "s2 | s4 | a | s1"},
    };
    for (const Step& step : steps) {
        if (std::string(step.action) == "move") {
            queue.move(id(step.first), id(step.second));
        } else {
            queue.remove(id(step.first));
        }
        EXPECT_EQ(layout(queue), step.expected) << step.action << " " << step.first << " " << step.second;
        expectDistinctIdentifiers(queue);
    }
}

TEST(QueueState, CycleRepeatAndClearManual) {
    QueueState queue;
    std::string seen;
    for (int step = 0; step < 4; ++step) {
        queue.cycleRepeat();
        seen += std::string(queue.repeatMode.rawValue()) + " ";
    }
    EXPECT_EQ(seen, "all one off all ");
    queue.replace(songs(2), std::nullopt, std::nullopt);
    queue.enqueue(songs(2), false);
    queue.clearManual();
    EXPECT_EQ(layout(queue), "s1 |  | s2 | ");
}

TEST(QueueState, UpdateSongReplacesCopiesOutsideTheHistory) {
    QueueState queue;
    std::vector<Song> list{Song::make("x", "X"), Song::make("y", "Y"), Song::make("x", "X")};
    queue.replace(list, std::nullopt, 1);
    queue.enqueue({Song::make("x", "X")}, false);
    Song edited = Song::make("x", "X");
    edited.userRating = 5;
    EXPECT_TRUE(queue.updateSong(edited));
    EXPECT_EQ(queue.manual[0].song, edited);
    EXPECT_EQ(queue.context[0].song, edited);
    EXPECT_EQ(queue.history[0].song, list[0]);
    EXPECT_FALSE(queue.updateSong(edited));
}

} // namespace
} // namespace sorvalind
