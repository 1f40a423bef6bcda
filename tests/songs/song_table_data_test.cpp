// The preparation of a table's rows: only the newest load publishes, edits
// during a load show at once and reach the new rows (sorted again when the
// order reads them), and every change raises the revision once.

#include "song_rows_fixture.h"

#include "songs/song_table_data.h"
#include "support/locale_environment.h"

#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

class SongTableDataTest : public ::testing::Test {
protected:
    SongTableDataTest() {
        LocaleEnvironment::useLang("en_US.UTF-8");
        data.setListener([this] { ++notifications; });
    }
    // Runs the workers' jobs, then what they posted back.
    void settle() {
        while (worker.runUntilIdle() + main.runUntilIdle() > 0) {
        }
    }
    static Song rated(std::string id, std::string title, std::int64_t rating) {
        Song s = song(std::move(id), std::move(title));
        s.userRating = rating;
        return s;
    }

    LocaleEnvironment environment;
    VirtualClock clock;
    ManualExecutor worker{clock};
    ManualExecutor main{clock};
    SongTableData data{worker, main};
    int notifications = 0;
};

TEST_F(SongTableDataTest, OnlyTheNewestLoadPublishes) {
    std::vector<std::string> ended;
    data.load(listOf({song("a", "First")}), {},
              [&](bool published) { ended.push_back(published ? "1:yes" : "1:no"); });
    data.load(listOf({song("b", "Second"), song("c", "Third")}), comparators(SongTableSort::title),
              [&](bool published) { ended.push_back(published ? "2:yes" : "2:no"); });
    EXPECT_TRUE(data.preparing());
    main.runUntilIdle();
    EXPECT_TRUE(data.preparing()) << "the overtaken load leaves the state to the newer one";
    settle();
    EXPECT_EQ(ended, (std::vector<std::string>{"1:no", "2:yes"}));
    EXPECT_FALSE(data.preparing());
    EXPECT_EQ(data.revision(), 1);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(titles(data.prepared()), (std::vector<std::string>{"Second", "Third"}));
    EXPECT_FALSE(data.changedRows());

    // A cancelled load publishes nothing and ends the preparing state.
    bool published = true;
    data.load(listOf({song("z", "Other")}), {}, [&](bool p) { published = p; });
    data.cancel();
    settle();
    EXPECT_FALSE(published);
    EXPECT_FALSE(data.preparing());
    EXPECT_EQ(data.revision(), 1);
}

TEST_F(SongTableDataTest, EditsInPlaceAndDuringALoad) {
    data.load(listOf({rated("a", "A", 1), rated("b", "B", 3), rated("c", "C", 2)}),
              comparators(SongTableSort::rating));
    settle();
    EXPECT_EQ(titles(data.prepared()), (std::vector<std::string>{"B", "C", "A"}));

    // Outside a load: in place, no sorting, exactly the changed position.
    data.update(rated("a", "A", 5));
    EXPECT_EQ(data.revision(), 2);
    EXPECT_EQ(data.changedRows(), (std::set<std::size_t>{2}));
    EXPECT_EQ(titles(data.prepared()), (std::vector<std::string>{"B", "C", "A"}));
    data.update(rated("a", "A", 5));
    EXPECT_EQ(data.revision(), 2) << "an identical edit does nothing";
    data.update(rated("elsewhere", "X", 5));
    EXPECT_EQ(data.revision(), 2);

    // During a "Rating" load: shown at once in the old rows, then applied to
    // the new rows and sorted again before they publish.
    data.load(listOf({rated("a", "A", 5), rated("b", "B", 3), rated("c", "C", 2), rated("d", "D", 4)}),
              comparators(SongTableSort::rating));
    data.update(rated("c", "C", 4));
    data.update(rated("c", "C", 5)); // the later edit of one song wins
    EXPECT_EQ(data.prepared().rows()[1].rating(), 5);
    EXPECT_EQ(data.pendingUpdates().size(), 1u);
    settle();
    EXPECT_EQ(titles(data.prepared()), (std::vector<std::string>{"A", "C", "D", "B"}));
    EXPECT_TRUE(data.pendingUpdates().empty());
    EXPECT_FALSE(data.preparing());

    // Under "Title" the pending edit changes the row but not the order.
    data.load(listOf({rated("a", "A", 5), rated("b", "B", 3)}), comparators(SongTableSort::title));
    data.update(rated("b", "B", 0));
    settle();
    EXPECT_EQ(titles(data.prepared()), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(data.prepared().rows()[1].rating(), 0);
}

TEST_F(SongTableDataTest, APatchedListReplacesTheEditedRowsSongs) {
    std::vector<Song> songs = {rated("a", "A", 1), rated("b", "B", 2)};
    const auto first = listOf(songs);
    data.load(first, {});
    settle();
    songs[1].userRating = 4;
    const auto patched = listOf(songs);
    data.update(songs[1]);
    data.rebase(patched);
    EXPECT_EQ(data.prepared().list(), patched);
    EXPECT_EQ(data.prepared().rows()[1].song, &(*patched)[1]);
    EXPECT_EQ(data.prepared().rows()[1].rating(), 4);
    // Another list altogether is left for a new preparation.
    data.rebase(listOf({rated("x", "X", 1), rated("y", "Y", 2)}));
    EXPECT_EQ(data.prepared().list(), patched);
}

} // namespace
} // namespace sorvalind::test
