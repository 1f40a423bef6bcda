#include "server/app_links.h"
#include "server/artist_info.h"

#include "library/json_coding.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

std::optional<std::string> plain(std::string html) {
    return ArtistInfo{std::move(html)}.biographyText();
}

struct Case {
    std::string html;
    std::optional<std::string> text;
};

TEST(ArtistInfoBiography, HTMLBecomesPlainText) {
    const std::vector<Case> cases = {
        {"", std::nullopt},
        {"<p> </p>\n<br/>\t<div>&nbsp;</div>", std::nullopt},
        {"<p>One</p><br><p>Two</p>", "One\n\nTwo"},
        {"<p>One</p>\n\n\n\n<p>Two</p>", "One\n\nTwo"},
        {"A<br>B<BR />C<br/>D<br clear=\"all\">E", "A\nB\nC\nDE"},
        {"<h2>Title</h2 >Body</li></LI></pre>", "Title\nBody"},
        {"a<SCRIPT type=\"x\">\nvar x = '<p>';\n</script >b<style>p{}</STYLE>c", "abc"},
        {"a<script>one</script>b<script>two</script>c", "abc"},
        {"a<scripts>kept</scripts>b", "akeptb"},
        {"a<script>never closed", "anever closed"},
        {"a<script>x</style>y", "axy"},
        {"<a href=\"https://example.com\">Read more</a> on Last.fm", "Read more on Last.fm"},
        {"x <> y", "x <> y"},
        {"x < y", "x < y"},
        {"&#xE9;&#233;&#XE9;", "\u00E9\u00E9\u00E9"},
        {"&#x110000; &#xD800; &#4294967296; &#99999999999;",
         "&#x110000; &#xD800; &#4294967296; &#99999999999;"},
        {"&#x10FFFF;", "\U0010FFFF"},
        {"&foo; &AMP; &amp;lt; &#38;amp;", "&foo; &AMP; &lt; &amp;"},
        {"&lt;b&gt; &quot;q&quot; &apos;a&apos; &ndash;&mdash;&lsquo;&rsquo;&ldquo;&rdquo;&hellip;&copy;",
         "<b> \"q\" 'a' \u2013\u2014\u2018\u2019\u201C\u201D\u2026\u00A9"},
        {"a&nbsp;&nbsp;b \t\u00A0 c", "a b c"},
        {"  line one  \n   line two  ", "line one\nline two"},
        {"&&amp;;", "&&;"},
        {"&#x;&#;&#x41", "&#x;&#;&#x41"},
        // A NUL reference must not put a NUL character into the text.
        {"a&#0;b&#x0;c", "a\uFFFDb\uFFFDc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plain(c.html), c.text) << c.html;
    EXPECT_EQ(ArtistInfo{}.biographyText(), std::nullopt);
}

TEST(ArtistInfoBiography, UnbalancedMarkupStaysLinear) {
    // Each of these made a backtracking matcher rescan the rest of the text
    // from every opening; a megabyte of them must come back promptly.
    const std::vector<std::pair<std::string, bool>> units = {
        {"<script>", false},      {"<style x", true},    {"<<", true},
        {"<br ", true},           {"&#1234567", true},   {"</p ", true},
        {"<\u017Fcript>", false}, {"</\uFB06yle", true},
    };
    for (const auto& [unit, leavesText] : units) {
        std::string html;
        while (html.size() < 1'000'000)
            html += unit;
        EXPECT_EQ(plain(html).has_value(), leavesText) << unit;
    }
}

TEST(ArtistInfoDecoding, BiographyIsOptionalTextAndOtherKeysAreIgnored) {
    EXPECT_EQ(fromJSON<ArtistInfo>(nlohmann::json::parse(R"({"biography":"<b>Hi</b>","x":1})")).biography,
              "<b>Hi</b>");
    EXPECT_EQ(fromJSON<ArtistInfo>(nlohmann::json::parse(R"({"biography":null})")).biography, std::nullopt);
    EXPECT_EQ(fromJSON<ArtistInfo>(nlohmann::json::parse(R"({})")).biography, std::nullopt);
    EXPECT_THROW(fromJSON<ArtistInfo>(nlohmann::json::parse(R"({"biography":3})")), DecodingError);
    EXPECT_THROW(fromJSON<ArtistInfo>(nlohmann::json::parse(R"([])")), DecodingError);
}

TEST(AppLinks, PrivacyPolicyIsAnAbsoluteHTTPSAddress) {
    EXPECT_EQ(AppLinks::privacyPolicyURL.substr(0, 8), "https://");
    EXPECT_GT(AppLinks::privacyPolicyURL.size(), 8u);
}

} // namespace
} // namespace sorvalind
