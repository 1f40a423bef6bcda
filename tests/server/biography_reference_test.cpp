#include "server/artist_info.h"

#include "platform/text/text.h"
#include "platform/text/text_regex.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

// The biography rules written as plain regular expressions. This form is
// easy to read but goes quadratic on unbalanced markup, so the product uses
// forward scans; these tests hold the scans to exactly the same results.
std::optional<std::string> referencePlainText(const std::string& html) {
    const text::RegexLimits unbounded{0, 0, 64 * 1024 * 1024};
    std::string s = text::Regex(R"((?is)<(script|style)\b[^>]*>.*?</\1\s*>)", unbounded).replaceAll(html, "");
    s = text::Regex(R"((?i)<br\s*/?>|</(?:p|div|li|h[1-6])\s*>)", unbounded).replaceAll(s, "\n");
    s = text::Regex(R"(<[^>]+>)", unbounded).replaceAll(s, "");
    s = text::Regex(R"(&(#(?:[xX][0-9a-fA-F]+|[0-9]+)|[a-zA-Z]+);)", unbounded)
            .replaceAll(s, [](const text::RegexMatch& match) -> std::optional<std::string> {
                const std::string& body = *match.groups[0];
                if (body[0] == '#') {
                    bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
                    std::string_view digits = std::string_view(body).substr(hex ? 2 : 1);
                    std::uint32_t value = 0;
                    auto [end, error] =
                        std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
                    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
                    if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return std::nullopt;
                    std::string out;
                    text::appendCodePoint(out, value == 0 ? U'\uFFFD' : char32_t(value));
                    return out;
                }
                static const std::vector<std::pair<std::string, std::string>> names = {
                    {"amp", "&"},         {"quot", "\""},      {"apos", "'"},       {"lt", "<"},
                    {"gt", ">"},          {"nbsp", " "},       {"ndash", "\u2013"}, {"mdash", "\u2014"},
                    {"lsquo", "\u2018"},  {"rsquo", "\u2019"}, {"ldquo", "\u201C"}, {"rdquo", "\u201D"},
                    {"hellip", "\u2026"}, {"copy", "\u00A9"}};
                for (const auto& [name, value] : names)
                    if (name == body) return value;
                return std::nullopt;
            });
    s = text::Regex("[\\t \u00A0]+", unbounded).replaceAll(s, " ");
    s = text::Regex(" *\n *", unbounded).replaceAll(s, "\n");
    s = text::Regex("\n{3,}", unbounded).replaceAll(s, "\n\n");
    std::string_view trimmed = text::trim(s);
    if (trimmed.empty()) return std::nullopt;
    return std::string(trimmed);
}

std::optional<std::string> biography(const std::string& html) {
    return ArtistInfo{html}.biographyText();
}

TEST(BiographyReference, TrickyMarkupGivesTheSameTextAsTheExpressions) {
    const std::vector<std::string> cases = {
        "a<script>x</script>b",
        "a<SCRIPT>x</script>b<Style media=x>y</STYLE >c",
        "a<script>1<script>2</script>3</script>b",
        "a<script>x</script\n\t >b",
        "a<script>x</script\v>b",
        "a<script>x</script\u00A0>b",
        "a<script>x</script\u2028>b",
        "a<script>x</script\u0085>b",
        "a<script>x</scriptx>y</script>b",
        "a<script>x</style>y</script>b",
        "a<script x='>'>y</script>b",
        "a<script>never closed",
        "a<script never closed",
        "a<scripts>kept</scripts>b",
        "a<script_x>kept</script>b",
        "a<script1>kept</script>b",
        "a<script-x>gone</script>b",
        "a<script\u00E9>kept</script>b",
        "a<script\u0301>kept</script>b",
        "a<script\u00AD>kept</script>b",
        "a<script\u200D>kept</script>b",
        "a<script\u203F>kept</script>b",
        "a<script\u2160>kept</script>b",
        "a<script\u00B2>kept</script>b",
        "a<script\u0663>kept</script>b",
        "a<\u017Fcript>gone</script>b",
        "a<script>gone</\u017Fcript>b",
        "a<\uFB06yle>gone</style>b",
        "a<style>gone</\uFB05yle>b",
        "a<SCR\u0130PT>kept</script>b",
        "A<br>B<BR >C<br/>D<Br / >E<br//>F<br clear=all>G<brx>H",
        "<p>One</p><br><p>Two</p>",
        "<h1>a</h1 ><h6>b</H6\t><h7>c</h7><h0>d</h0></li></LI ></div></pre></p\v>e",
        "x <> y < z <<a>> <",
        "&amp;lt; &#38;amp; &AMP; &foo; &#x; &#; &#x41 &#65",
        "&#xE9;&#233;&#XE9;&#x00000041;&#0000065;",
        "&#x110000; &#xD800; &#xDFFF; &#55296; &#4294967295; &#4294967296; &#xFFFFFFFF; &#x100000000;",
        "&#x10FFFF;&#1114111;&#1114112;",
        "a&#0;b&#x0;c",
        "a&nbsp;&nbsp;b \t\u00A0 c\u00A0\u00A0d",
        "  line one  \n   line two  \n\n\n\n three \n \n \n four",
        "<p> </p>\n<br/>\t<div>&nbsp;</div>",
        "\u2003text\u3000",
        "a\r\n\r\n\r\nb",
        "&lt;script&gt;x&lt;/script&gt;",
        "<scr<script>ipt>x</script>",
        "<<br>>",
        "",
    };
    for (const auto& html : cases)
        EXPECT_EQ(biography(html), referencePlainText(html)) << html;
}

TEST(BiographyReference, GeneratedMarkupGivesTheSameTextAsTheExpressions) {
    const std::vector<std::string> pieces = {
        "<",       ">",      "/",      "</",     "<script",   "</script", "<SCRIPT", "</Script", "<style",
        "</style", "<br",    "<BR",    "</p",    "</P",       "</div",    "</li",    "</h3",     "</h7",
        "\u017F",  "\uFB06", "\u00AD", "\u0301", "x",         "_",        "1",       "-",        " ",
        "\t",      "\n",     "\v",     "\r",     "\u00A0",    "\u2028",   "&",       "&#",       "&#x",
        "41",      "e9",     ";",      "amp",    "&amp;",     "&nbsp;",   "&lt;",    "&#0;",     "&#xD800;",
        "=",       "'",      "\"",     "\u00E9", "\U0001F600"};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 24);
    for (int round = 0; round < 20000; ++round) {
        std::string html;
        for (int n = length(random); n > 0; --n)
            html += pieces[pick(random)];
        ASSERT_EQ(biography(html), referencePlainText(html)) << html;
    }
}

} // namespace
} // namespace sorvalind
