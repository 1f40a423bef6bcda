#include "platform/text/locale_number.h"
#include "platform/text/text.h"
#include "platform/text/text_regex.h"
#include "support/locale_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::text {
namespace {

const std::string kComposedE = "\xC3\x89";    // U+00C9
const std::string kDecomposedE = "E\xCC\x81"; // E + U+0301

TEST(Text, NormalisationAndCanonicalOrder) {
    EXPECT_EQ(nfc(kDecomposedE + "lectro"), kComposedE + "lectro");
    EXPECT_EQ(nfd(kComposedE), kDecomposedE);
    EXPECT_TRUE(canonicallyEqual(kComposedE + "x", kDecomposedE + "x"));
    // Code point order of the composed forms: U+00C9 sorts after every ASCII letter.
    EXPECT_TRUE(canonicalLess("Zebra", kDecomposedE));
    EXPECT_TRUE(canonicalLess("ROCK ", "Rock"));
    EXPECT_FALSE(canonicalLess("b", "b"));
}

TEST(Text, CaseMappingsAreFullAndLocaleFree) {
    struct Case {
        std::string input, folded, lower, upper;
    };
    const Case cases[] = {
        {"Hip Hop", "hip hop", "hip hop", "HIP HOP"},
        {"Stra\xC3\x9F"
         "e",
         "strasse",
         "stra\xC3\x9F"
         "e",
         "STRASSE"},
        // Dotted capital I lower-cases to i + combining dot without Turkish rules.
        {"\xC4\xB0", "i\xCC\x87", "i\xCC\x87", "\xC4\xB0"},
        {"\xC3\x89lectro", "\xC3\xA9lectro", "\xC3\xA9lectro", "\xC3\x89LECTRO"},
        {"flac", "flac", "flac", "FLAC"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(foldCase(c.input), c.folded) << c.input;
        EXPECT_EQ(toLower(c.input), c.lower) << c.input;
        EXPECT_EQ(toUpper(c.input), c.upper) << c.input;
    }
}

TEST(Text, CapitalizeEveryWord) {
    EXPECT_EQ(capitalize("composer"), "Composer");
    EXPECT_EQ(capitalize("LEAD  vocals\tmIxEr"), "Lead  Vocals\tMixer");
    EXPECT_EQ(capitalize("\xC3\xA9lectro"), "\xC3\x89lectro");
    EXPECT_EQ(capitalize(""), "");
}

TEST(Text, DiacriticFolding) {
    EXPECT_EQ(foldDiacritics("Ra\xC3\xAF"), "Rai");
    EXPECT_EQ(foldCaseAndDiacritics("Beyonc\xC3\xA9"), "beyonce");
    EXPECT_EQ(foldCaseAndDiacritics(kDecomposedE + "LECTRO"), "electro");
    // Spacing characters that are no marks stay.
    EXPECT_EQ(foldDiacritics("\xC3\x98"
                             "ystein"),
              "\xC3\x98"
              "ystein");
}

TEST(Text, WhiteSpaceIsTheUnicodeProperty) {
    const std::string nbsp = "\xC2\xA0", ideographic = "\xE3\x80\x80";
    EXPECT_EQ(trim("  \t Hip Hop\n "), "Hip Hop");
    EXPECT_EQ(trim(nbsp + "x" + ideographic), "x");
    EXPECT_EQ(trim(" \n "), "");
    EXPECT_TRUE(isBlank(nbsp + "\r\n"));
    EXPECT_FALSE(isBlank("\xE2\x80\x8B")); // zero-width space is not White_Space
    EXPECT_EQ(collapseWhiteSpace("  Hip   Hop "), "Hip Hop");
    EXPECT_EQ(collapseWhiteSpace("a" + nbsp + nbsp + "b\tc"), "a b c");
    EXPECT_EQ(collapseWhiteSpace(""), "");
    EXPECT_TRUE(isWhiteSpace(0x85));
    EXPECT_FALSE(isWhiteSpace(0x110000));
}

TEST(Text, CharacterClassesAndRuns) {
    EXPECT_TRUE(isAlphanumeric(U'\u00E9'));
    EXPECT_TRUE(isAlphanumeric(0x0301));    // combining acute is a mark
    EXPECT_TRUE(isAlphanumeric(U'\u0663')); // Arabic-Indic three
    EXPECT_FALSE(isAlphanumeric(U'\u2013'));
    EXPECT_FALSE(isAlphanumeric(U'-'));
    EXPECT_EQ(alphanumericRuns("beyonce \xE2\x80\x93 halo (live)"),
              (std::vector<std::string>{"beyonce", "halo", "live"}));
    EXPECT_EQ(letterOrNumberRuns("\"Caf" + std::string("e\xCC\x81") + "\" ab-12 \xF0\x9F\x8E\xB5x"),
              (std::vector<std::string>{"Cafe\xCC\x81", "ab", "12", "x"}));
    EXPECT_TRUE(letterOrNumberRuns(" ,;'\"* ").empty());
}

TEST(Text, InvalidUtf8ReadsAsReplacementCharacter) {
    const std::string bad = "a\xFF"
                            "b";
    EXPECT_EQ(nfc(bad + "\xC3\xA9"), "a\xEF\xBF\xBD"
                                     "b\xC3\xA9");
    EXPECT_EQ(codePoints(bad), (std::u32string{U'a', 0xFFFD, U'b'}));
    EXPECT_EQ(alphanumericRuns(bad), (std::vector<std::string>{"a", "b"}));
    std::string out;
    appendCodePoint(out, 0xD800);
    appendCodePoint(out, 0x1F3B5);
    EXPECT_EQ(out, "\xEF\xBF\xBD\xF0\x9F\x8E\xB5");
}

TEST(Text, IsValidUTF8) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain ascii", true},
        {"Caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x8E\xB5", true},
        {std::string("a\0b", 3), true},
        {"\xEF\xBF\xBF", true},      // U+FFFF, a noncharacter, is still well-formed
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF, the last code point
        {"a\xFF", false},            // never a UTF-8 byte
        {"\x80", false},             // stray continuation byte
        {"\xC3", false},             // sequence cut short at the end
        {"\xC3(", false},            // lead byte without its continuation
        {"\xC0\xAF", false},         // overlong "/"
        {"\xE0\x80\xAF", false},     // overlong in three bytes
        {"\xED\xA0\x80", false},     // a surrogate (U+D800)
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xE9t\xE9", false},        // Latin-1 text
    };
    for (const auto& [bytes, valid] : cases)
        EXPECT_EQ(isValidUTF8(bytes), valid) << ::testing::PrintToString(bytes);
}

TEST(TextRegex, IcuSyntaxOverUtf8) {
    const Regex feat(R"((?i)\s+(?:feat\.?|featuring|with)\s+)");
    EXPECT_EQ(feat.replaceAll("Ren\xC3\xA9 FEAT. Ana with Bo", ","), "Ren\xC3\xA9,Ana,Bo");

    const Regex scripts(R"((?is)<(script|style)\b[^>]*>.*?</\1\s*>)");
    EXPECT_EQ(scripts.replaceAll("a<SCRIPT x>1\n2</script >b<style>c</style>d", ""), "abd");

    // Replacements are literal and offsets are bytes of the UTF-8 text.
    const Regex refs(R"(&(#(?:[xX][0-9a-fA-F]+|[0-9]+)|[a-zA-Z]+);)");
    const auto matches = refs.findAll("\xC3\xA9&amp;x&#233;");
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].begin, 2u);
    EXPECT_EQ(matches[0].groups[0], "amp");
    EXPECT_EQ(matches[1].text, "&#233;");
    EXPECT_EQ(refs.replaceAll("&amp;lt; &bogus;", "$1\\"), "$1\\lt; $1\\");
    EXPECT_EQ(refs.replaceAll("&amp;lt; &bogus;",
                              [](const RegexMatch& m) -> std::optional<std::string> {
                                  if (m.groups[0] == "amp") return "&";
                                  return std::nullopt;
                              }),
              "&lt; &bogus;");

    EXPECT_TRUE(Regex("a(b)?c").search("xxac"));
    EXPECT_FALSE(Regex("a(b)?c").matchesWhole("xxac"));
    const auto optionalGroup = Regex("a(b)?c").findAll("ac");
    ASSERT_EQ(optionalGroup.size(), 1u);
    EXPECT_FALSE(optionalGroup[0].groups[0].has_value());
    EXPECT_EQ(Regex("\n{3,}").replaceAll("a\n\n\n\nb\n\nc", "\n\n"), "a\n\nb\n\nc");
    EXPECT_THROW(Regex("(unclosed"), RegexError);
}

TEST(TextRegex, HostileInputHitsTheBoundInsteadOfRunningAway) {
    // Nested quantifiers backtrack exponentially on a near miss.
    const Regex catastrophic("(a+)+$", RegexLimits{.maxInputBytes = 0, .workLimit = 20});
    std::string hostile(64, 'a');
    hostile.push_back('!');
    EXPECT_THROW(catastrophic.search(hostile), RegexLimitError);
    EXPECT_TRUE(catastrophic.search("aaaa"));

    // An unclosed element makes the lazy scan restart at every opening tag.
    const Regex scripts(R"((?is)<(script|style)\b[^>]*>.*?</\1\s*>)", RegexLimits{.workLimit = 5});
    std::string unclosed;
    for (int i = 0; i < 20000; ++i)
        unclosed += "<script>";
    EXPECT_THROW(scripts.replaceAll(unclosed, ""), RegexLimitError);

    const Regex capped("x", RegexLimits{.maxInputBytes = 8});
    EXPECT_THROW(capped.search(std::string(9, 'y')), RegexLimitError);
    EXPECT_FALSE(capped.search(std::string(8, 'y')));
}

using test::LocaleEnvironment;

TEST(LocaleNumber, UserLocaleComesFromTheEnvironment) {
    LocaleEnvironment environment;
    LocaleEnvironment::set("LC_ALL", std::nullopt);
    LocaleEnvironment::set("LC_NUMERIC", std::nullopt);
    LocaleEnvironment::set("LANG", "de_DE.UTF-8");
    EXPECT_EQ(userLocaleId(), "de_DE");
    LocaleEnvironment::set("LC_NUMERIC", "fr_FR@euro");
    EXPECT_EQ(userLocaleId(), "fr_FR");
    LocaleEnvironment::set("LC_ALL", "C");
    EXPECT_EQ(userLocaleId(), kFixedLocaleId);
    LocaleEnvironment::set("LC_ALL", "POSIX");
    EXPECT_EQ(decimalText(1234.5, 0, 3, userLocaleId()), "1234.5");
}

TEST(LocaleNumber, DecimalTextFollowsTheLocale) {
    EXPECT_EQ(decimalText(44.1, 0, 3, "en_US"), "44.1");
    EXPECT_EQ(decimalText(48.0, 0, 3, "en_US"), "48");
    EXPECT_EQ(decimalText(22.05, 0, 3, "de_DE"), "22,05");
    EXPECT_EQ(decimalText(1234.5, 0, 3, "en_US"), "1,234.5");
    EXPECT_EQ(decimalText(1234.5, 0, 3, "de_DE"), "1.234,5");
    EXPECT_EQ(decimalText(1234.5, 0, 3, kFixedLocaleId), "1234.5");
    EXPECT_EQ(decimalText(2.5, 0, 0, kFixedLocaleId), "3");
}

} // namespace
} // namespace sorvalind::text
