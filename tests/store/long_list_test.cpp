// Lists long enough to be decoded in several chunks on several threads: the
// result is the one a row-by-row decode of the same statement gives, in the
// statement's order, and a row that does not decode fails the read with the
// failure of the first such row.
#include "store/store_test_support.h"

#include "library/json_coding.h"
#include "store/library_query_text.h"
#include "loopback/generated_library.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

class LongLists : public StoreTest {
protected:
    void SetUp() override {
        open();
        const loopback::GeneratedLibrary library(loopback::GeneratedLibrary::scaled(songCount));
        for (int page = 0; page < library.pageCount(); ++page)
            repository->ingest(library.page(page), "G1");
    }

    // Row by row on a connection of its own.
    std::vector<Song> oneByOne(const QueryText& query) const {
        auto database = raw();
        auto statement = database.prepare(query.sql);
        for (std::size_t index = 0; index < query.bindings.size(); ++index)
            statement.bind(static_cast<int>(index + 1), query.bindings[index]);
        std::vector<Song> songs;
        while (statement.step())
            songs.push_back(fromJSONText<Song>(*statement.columnText(0)));
        return songs;
    }

    static constexpr int songCount = 3'000;
};

TEST_F(LongLists, ReadEveryRowInTheStatementsOrder) {
    struct Case {
        std::string text;
        SongSort sort;
        std::size_t atLeast;
    };
    const std::vector<Case> cases = {
        {"", SongSort::title, songCount},
        {"", SongSort::artist, songCount},
        {"", SongSort::added, songCount},
        {loopback::GeneratedLibrary::titleWords().front().substr(0, 2), SongSort::title, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " " + std::string(c.sort.rawValue()));
        const std::vector<Song> read = repository->songs(c.text, c.sort);
        EXPECT_GE(read.size(), c.atLeast);
        EXPECT_EQ(read,
                  oneByOne(songsQueryText(c.text, c.sort, false, std::nullopt, std::nullopt, std::nullopt)));
    }
    // The search's song list is the title-sorted list of the same text.
    const std::string word = loopback::GeneratedLibrary::titleWords().front().substr(0, 2);
    EXPECT_EQ(repository->search(word).songs, repository->songs(word, SongSort::title));
}

TEST_F(LongLists, TheFirstRowThatDoesNotDecodeFailsTheRead) {
    const std::vector<Song> ordered = repository->songs("", SongSort::title);
    ASSERT_EQ(ordered.size(), static_cast<std::size_t>(songCount));
    // Two damaged rows in different chunks: the earlier one in the list's
    // order is the one reported, however the decoders finish.
    raw().execute("UPDATE songs SET json='{\"id\":\"x\"}' WHERE id='" + ordered[1'900].id + "'");
    raw().execute("UPDATE songs SET json='{\"id\":7,\"title\":\"t\"}' WHERE id='" + ordered[700].id + "'");
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            repository->songs("", SongSort::title);
            ADD_FAILURE() << "the read did not fail";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.path(), "id");
        }
    }
    // The store still reads what decodes.
    EXPECT_EQ(repository->songs("", SongSort::title, false, ordered[5].albumId).empty(), false);
}

} // namespace
} // namespace sorvalind::test
