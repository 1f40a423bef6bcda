// The artist credits line: links only for credits with an identifier, ", "
// between credits, the fallback for none, one line cut with "…" (a link cut
// short still a link), the pointing hand only over links, and a click that
// emits the credit it landed on.

#include "kit/artist_links.h"
#include "kit/text_styles.h"

#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

namespace sorvalind::test {
namespace {

Artist credit(std::string id, std::string name) {
    return Artist::make(std::move(id), std::move(name));
}

const QFont lineFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 12);
}

// "text" for plain runs, "[text]" for links; a run cut short reads "…",
// whatever part of it the font lets show.
std::string describe(const std::vector<ArtistLinkRun>& runs) {
    std::string text;
    for (const ArtistLinkRun& run : runs) {
        const std::string shown = run.text.endsWith(QChar(0x2026)) ? "\xE2\x80\xA6" : run.text.toStdString();
        text += run.artist ? "[" + shown + "]" : shown;
    }
    return text;
}

TEST(ArtistLinks, LaysOutLinksSeparatorsPlainNamesAndTheFallbackOnOneLine) {
    const std::vector<Artist> three = {credit("ar-1", "Harriet"), credit("", "Session Players"),
                                       credit("ar-3", "The Cartographers")};
    const struct {
        const char* name;
        std::vector<Artist> artists;
        qreal width;
        const char* runs;
    } cases[] = {
        {"no credits show the fallback", {}, 400, "Unknown Artist"},
        {"one credit has no comma", {credit("ar-1", "Harriet")}, 400, "[Harriet]"},
        {"an empty identifier is plain text between commas", three, 400,
         "[Harriet], Session Players, [The Cartographers]"},
        {"a link cut short stays a link", three, 230, "[Harriet], Session Players, [\xE2\x80\xA6]"},
        {"plain text cut short", three, 110, "[Harriet], \xE2\x80\xA6"},
        {"no room at all", three, 0, ""},
    };
    const QFontMetricsF metrics(lineFont());
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const auto runs =
            layoutArtistLinks(row.artists, QStringLiteral("Unknown Artist"), metrics, row.width);
        EXPECT_EQ(describe(runs), row.runs);
        qreal x = 0;
        for (const ArtistLinkRun& run : runs) {
            EXPECT_DOUBLE_EQ(run.rect.left(), x) << "runs follow each other";
            x = run.rect.right();
        }
        EXPECT_LE(x, row.width) << "the line never overflows";
    }
}

TEST(ArtistLinks, AClickOnALinkEmitsItsCreditAndNothingElseClicks) {
    ArtistLinks links;
    links.setFont(lineFont());
    links.setArtists(
        {credit("ar-1", "Harriet"), credit("", "Session Players"), credit("ar-3", "The Cartographers")},
        QStringLiteral("Unknown Artist"));
    links.resize(links.sizeHint());
    links.show();
    QSignalSpy clicked(&links, &ArtistLinks::artistClicked);
    const auto runs = links.runs();
    ASSERT_EQ(runs.size(), 5u);
    const auto centre = [&](std::size_t run) { return runs[run].rect.center().toPoint(); };

    QTest::mouseClick(&links, Qt::LeftButton, {}, centre(1)); // ", "
    QTest::mouseClick(&links, Qt::LeftButton, {}, centre(2)); // the plain name
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(&links, Qt::RightButton, {}, centre(0));
    EXPECT_EQ(clicked.count(), 0);
    // Pressed on one link and released on another: no click.
    QTest::mousePress(&links, Qt::LeftButton, {}, centre(0));
    QTest::mouseRelease(&links, Qt::LeftButton, {}, centre(4));
    EXPECT_EQ(clicked.count(), 0);

    QTest::mouseClick(&links, Qt::LeftButton, {}, centre(4));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toString(), QStringLiteral("ar-3"));
    EXPECT_EQ(clicked.at(0).at(1).toInt(), 2);

    // The pointing hand over links only.
    const auto hover = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), links.mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&links, &move);
    };
    hover(centre(0));
    EXPECT_TRUE(links.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(links.cursor().shape(), Qt::PointingHandCursor);
    hover(centre(2));
    EXPECT_EQ(links.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(links.accessibleName(), QStringLiteral("Harriet, Session Players, The Cartographers"));

    // Each link's help names its artist; the plain name has none.
    const auto help = [&](QPoint at) {
        QHelpEvent event(QEvent::ToolTip, at, links.mapToGlobal(at));
        QApplication::sendEvent(&links, &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(help(centre(4)), QStringLiteral("Show The Cartographers"));
    help(centre(2));
    EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }, std::chrono::seconds(5)));
}

TEST(ArtistLinks, PicturesEveryCase) {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    auto* column = new QVBoxLayout(&sheet);
    const std::vector<std::vector<Artist>> lines = {
        {},
        {credit("ar-1", "Harriet")},
        {credit("ar-1", "Harriet"), credit("", "Session Players"), credit("ar-3", "The Cartographers")},
    };
    for (const auto& artists : lines) {
        auto* links = new ArtistLinks(&sheet);
        links->setFont(textFont(TextStyle::title3));
        links->setLinkColor(QColor(0x1E, 0x64, 0xD2));
        links->setArtists(artists, QStringLiteral("Unknown Artist"));
        column->addWidget(links);
    }
    auto* narrow = new ArtistLinks(&sheet);
    narrow->setArtists(lines[2], QStringLiteral("Unknown Artist"));
    narrow->setFixedWidth(180);
    column->addWidget(narrow);
    sheet.resize(360, 150);
    EXPECT_FALSE(
        saveScreenshot(sheet, QStringLiteral("library-window"), QStringLiteral("artist-links")).isEmpty());
}

} // namespace
} // namespace sorvalind::test
