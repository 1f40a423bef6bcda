#include "library/genre_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvalind {
namespace {

using Texts = std::vector<std::string>;

const std::string kComposedE = "\xC3\x89lectro";    // É composed
const std::string kDecomposedE = "E\xCC\x81lectro"; // E + combining acute

TEST(GenreIndex, GroupsSpellingsUnderOnePreferredLabel) {
    struct Case {
        Texts raw;
        Texts names;
        std::string query;
        Texts rawForQuery;
    };
    const Case cases[] = {
        {{"Rock", "rock", "ROCK "}, {"Rock"}, "Rock", {"ROCK ", "Rock", "rock"}},
        {{"Hip Hop", "hip-hop", "HIPHOP", "Hip-Hop"},
         {"Hip-Hop"},
         "hip hop",
         {"HIPHOP", "Hip Hop", "Hip-Hop", "hip-hop"}},
        {{"R & B", "Rhythm and Blues"}, {"R&B"}, "r&b", {"R & B", "Rhythm and Blues"}},
        {{"Synth Pop"}, {"Synth-pop"}, "SYNTHPOP", {"Synth Pop"}},
        {{"Singer / Songwriter"}, {"Singer/Songwriter"}, "singer-songwriter", {"Singer / Songwriter"}},
        {{"Lo Fi", "lofi"}, {"Lo-Fi"}, "Lo-Fi", {"Lo Fi", "lofi"}},
        {{"  Hip   Hop  "}, {"Hip-Hop"}, "Hip-Hop", {"  Hip   Hop  "}},
        {{"Alternative & Indie", "alternative/indie"},
         {"Alternative", "Indie"},
         "indie",
         {"Alternative & Indie", "alternative/indie"}},
        {{"Rock;;"}, {"Rock"}, "rock", {"Rock;;"}},
        {{kComposedE, "electro"}, {"electro", kComposedE}, "ELECTRO", {"electro"}},
        {{kComposedE, kDecomposedE}, {kComposedE}, kComposedE, {kComposedE, kDecomposedE}},
        {{"jazz", "JAZZ"}, {"JAZZ"}, "Jazz", {"JAZZ", "jazz"}},
        {{"Rock"}, {"Rock"}, "Polka", {}},
        {{}, {}, "Rock", {}},
    };
    for (const Case& c : cases) {
        const GenreIndex index(c.raw);
        EXPECT_EQ(index.names(), c.names) << c.raw.size() << " " << c.query;
        EXPECT_EQ(index.rawNames(c.query), c.rawForQuery) << c.query;
    }
}

TEST(GenreIndex, CombinedTextsContributeToEveryGroupOnce) {
    const GenreIndex index({"Rock; Pop|Jazz", "Pop", "Jazz|jazz|JAZZ"});
    EXPECT_EQ(index.names(), (Texts{"Jazz", "Pop", "Rock"}));
    EXPECT_EQ(index.sourcesByGenre().at("rock"), (Texts{"Rock; Pop|Jazz"}));
    EXPECT_EQ(index.sourcesByGenre().at("pop"), (Texts{"Rock; Pop|Jazz", "Pop"}));
    EXPECT_EQ(index.sourcesByGenre().at("jazz"), (Texts{"Rock; Pop|Jazz", "Jazz|jazz|JAZZ"}));
    // A whole combined text finds the raw texts written that way.
    EXPECT_EQ(index.rawNames("rock;  pop|jazz"), (Texts{"Rock; Pop|Jazz"}));
    EXPECT_EQ(index.sourcesByOriginal().at("rock; pop|jazz"), (Texts{"Rock; Pop|Jazz"}));
}

TEST(GenreIndex, NamesAreOrderedByKeyNotByCase) {
    const GenreIndex index({"Rock", "R and B", "Jazz", "hip hop", "blues"});
    EXPECT_EQ(index.names(), (Texts{"blues", "Hip-Hop", "Jazz", "R&B", "Rock"}));
}

TEST(GenreIndex, BlankTextsAreInNoTable) {
    const GenreIndex index({"", "   ", "\t\n", ";|;", "Pop"});
    EXPECT_EQ(index.names(), (Texts{"Pop"}));
    EXPECT_EQ(index.sourcesByGenre().size(), 1u);
    // ";|;" has a key of its own but names no genre.
    EXPECT_EQ(index.sourcesByOriginal().size(), 2u);
    EXPECT_EQ(index.rawNames(""), Texts{});
    const GenreIndex empty(Texts{});
    EXPECT_TRUE(empty.names().empty());
    EXPECT_TRUE(empty.sourcesByGenre().empty());
    EXPECT_TRUE(empty.sourcesByOriginal().empty());
}

} // namespace
} // namespace sorvalind
