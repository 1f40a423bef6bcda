// The search text to FTS5 query rules: words are runs of letters and numbers
// judged per user-perceived character, each becomes a quoted prefix term.
#include "store/fts_query.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace sorvalind {
namespace {

struct Case {
    const char* name;
    std::string text;
    std::string query;
};

// Names the case instead of dumping its bytes, padding included.
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class FtsQueryCases : public testing::TestWithParam<Case> {};

TEST_P(FtsQueryCases, WritesEachWordAsAPrefixTerm) {
    EXPECT_EQ(ftsQuery(GetParam().text), GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FtsQueryCases,
    testing::Values(Case{"Empty", "", ""}, Case{"OnlySpaces", " \t\n ", ""},
                    Case{"OnlyPunctuationAndOperators", "\"*()-:^+ ' ", ""},
                    Case{"OneWord", "beyonce", "\"beyonce\"*"},
                    Case{"KeepsCaseAndAccents", "Beyoncé  Halo", "\"Beyoncé\"* AND \"Halo\"*"},
                    Case{"SlashSplits", "AC/DC", "\"AC\"* AND \"DC\"*"},
                    Case{"ApostropheSplits", "don't", "\"don\"* AND \"t\"*"},
                    Case{"UnderscoreSplits", "foo_bar", "\"foo\"* AND \"bar\"*"},
                    Case{"Numbers", "99 Luftballons", "\"99\"* AND \"Luftballons\"*"},
                    Case{"FractionIsANumber", "1½", "\"1½\"*"},
                    Case{"ArabicIndicDigits", "\u0663\u0664", "\"\u0663\u0664\"*"},
                    // A base letter with a combining accent is one character and stays whole.
                    Case{"CombiningMarkStaysWithItsLetter", "Cafe\u0301!", "\"Cafe\u0301\"*"},
                    Case{"EmojiSplits", "love\U0001F3B5song", "\"love\"* AND \"song\"*"},
                    // The keycap's first code point is a digit, so the whole cluster counts as a number.
                    Case{"KeycapIsOneNumberCharacter", "1\uFE0F\u20E3", "\"1\uFE0F\u20E3\"*"},
                    Case{"CJKWord", "東京 事変", "\"東京\"* AND \"事変\"*"},
                    Case{"OperatorWordsBecomeTerms", "a\" OR \"b NEAR(c",
                         "\"a\"* AND \"OR\"* AND \"b\"* AND \"NEAR\"* AND \"c\"*"},
                    Case{"ColumnFilterSyntaxIsText", "title:love", "\"title\"* AND \"love\"*"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace sorvalind
