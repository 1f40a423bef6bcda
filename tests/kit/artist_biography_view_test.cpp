// The artist page's biography: a three-line preview with "Read more" and the
// whole text in a sheet, over a real model on the loopback server. The view
// asks again when the model's client comes or goes, shows nothing without a
// text, and shows names and texts verbatim.

#include "app_model/app_model_fixture.h"

#include "kit/artist_biography_view.h"
#include "kit/elided_text.h"
#include "model/artist_biography_texts.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace sorvalind::test {
namespace {

const std::string longBiography =
    "Harriet & the <b>Cartographers</b> began as a duo recording in a converted boathouse, layering tape "
    "loops "
    "over field recordings of tides and gulls. Their first album was pressed in an edition of three hundred "
    "copies and sold out at a single concert. Over the following decade the group grew to seven members and "
    "toured widely, while every record kept the boathouse as its studio.\n\nTheir later work turned to "
    "longer pieces for strings and electronics.";

struct BiographyView : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        // "ar-1" tells a long story, "ar-2" none at all.
        server->setMethod("getArtistInfo2",
                          [this](const loopback::FakeRequest& request, httplib::Response& res) {
                              const std::string text = request.param("id") == "ar-1" ? longBiography : "";
                              server->okResponse(res, {{"artistInfo2", {{"biography", text}}}});
                          });
    }
    // Handles Qt's events and the main actor's ready work until `done`.
    void until(const std::function<bool()>& done) {
        drive([&] {
            processEvents();
            return done();
        });
        processEvents();
        main.runUntilIdle();
        processEvents();
    }
};

TEST(ElidedTextTest, CutsTheThirdLineWithAnEllipsisOnlyWhenTextIsLeft) {
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const QString text = QString::fromStdString(longBiography);
    const QStringList cut = elidedLines(text, font, 300, 3);
    ASSERT_EQ(cut.size(), 3);
    EXPECT_TRUE(cut[2].endsWith(QChar(0x2026))) << cut[2].toStdString();
    for (const QString& line : cut)
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), 300);
    EXPECT_TRUE(text.startsWith(cut[0]));

    const QStringList whole = elidedLines(QStringLiteral("A short story."), font, 300, 3);
    EXPECT_EQ(whole, QStringList{QStringLiteral("A short story.")});
    // Text after a line break still counts as more.
    const QStringList paragraphs = elidedLines(QStringLiteral("One.\nTwo."), font, 300, 1);
    ASSERT_EQ(paragraphs.size(), 1);
    EXPECT_TRUE(paragraphs[0].endsWith(QChar(0x2026))) << paragraphs[0].toStdString();
    EXPECT_TRUE(elidedLines(QString(), font, 300, 3).isEmpty());
}

TEST_F(BiographyView, PreviewsThreeLinesAndOpensTheWholeTextInASheet) {
    QWidget page;
    page.resize(520, 240);
    auto* view = new ArtistBiographyView(model, "ar-1", "Harriet & the <b>Cartographers</b>", &page);
    view->setGeometry(20, 20, 480, 200);
    page.show();
    until([&] { return view->readMoreButton()->isVisible(); });
    EXPECT_EQ(requests("getArtistInfo2"), 1u);
    const std::string stored = model->artistBiographies().value().at("ar-1");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(view->preview()->text().toStdString(), stored);
    const QStringList lines = view->preview()->shownLines();
    ASSERT_EQ(lines.size(), ArtistBiographyTexts::previewLines);
    EXPECT_TRUE(lines.back().endsWith(QChar(0x2026)));
    EXPECT_EQ(view->preview()->height(), view->preview()->heightForWidth(view->preview()->width()));
    EXPECT_EQ(view->readMoreButton()->text(), QStringLiteral("Read more"));
    EXPECT_EQ(view->readMoreButton()->accessibleName(),
              QStringLiteral("Read more about Harriet & the <b>Cartographers</b>"));
    saveScreenshot(page, QStringLiteral("kit"), QStringLiteral("biography_preview"));

    view->readMoreButton()->click();
    processEvents();
    ArtistBiographyPage* sheet = view->sheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->size(), QSize(ArtistBiographyTexts::pageWidth, ArtistBiographyTexts::pageHeight));
    EXPECT_EQ(sheet->title()->textFormat(), Qt::PlainText);
    EXPECT_EQ(sheet->title()->text(), QStringLiteral("About Harriet & the <b>Cartographers</b>"));
    EXPECT_EQ(sheet->body()->toPlainText().toStdString(), stored);
    EXPECT_TRUE(sheet->body()->isReadOnly());
    EXPECT_TRUE(sheet->body()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(saveScreenshot(*sheet, QStringLiteral("kit"), QStringLiteral("biography_sheet")).isEmpty());

    // Escape closes the sheet; the preview stays.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(sheet, &escape);
    ASSERT_TRUE(waitUntil([&] { return view->sheet() == nullptr; }));
    EXPECT_TRUE(view->readMoreButton()->isVisible());
}

TEST_F(BiographyView, ShowsNothingWithoutATextAndAsksOnlyOnce) {
    QWidget page;
    auto* first = new ArtistBiographyView(model, "ar-2", "Quiet", &page);
    page.show();
    until(
        [&] { return requests("getArtistInfo2") == 1 && model->artistBiographies().value().count("ar-2"); });
    EXPECT_FALSE(first->readMoreButton()->isVisible());
    EXPECT_TRUE(first->preview()->text().isEmpty());

    // The artist's page shown again: the empty answer is remembered.
    auto* again = new ArtistBiographyView(model, "ar-2", "Quiet", &page);
    again->show();
    until([] { return true; });
    EXPECT_FALSE(again->readMoreButton()->isVisible());
    EXPECT_EQ(requests("getArtistInfo2"), 1u);
}

TEST_F(BiographyView, AsksAgainOnceTheModelHasAClientAndKeepsWhatItShowedOffline) {
    const auto client = model->api();
    model->setApi(nullptr);
    QWidget page;
    page.resize(520, 240);
    auto* view = new ArtistBiographyView(model, "ar-1", "Harriet", &page);
    view->setGeometry(20, 20, 480, 200);
    page.show();
    until([] { return true; });
    EXPECT_EQ(requests("getArtistInfo2"), 0u);
    EXPECT_FALSE(view->readMoreButton()->isVisible());

    // The client comes back: the view's request is a new one.
    model->setApi(client);
    model->setForceOfflineMode(true);
    model->setForceOfflineMode(false);
    until([&] { return view->readMoreButton()->isVisible(); });
    EXPECT_EQ(requests("getArtistInfo2"), 1u);

    // Offline, the text already loaded stays on screen and nothing is asked,
    // also when the page appears again.
    model->setForceOfflineMode(true);
    view->hide();
    view->show();
    until([] { return true; });
    EXPECT_TRUE(view->readMoreButton()->isVisible());
    EXPECT_EQ(requests("getArtistInfo2"), 1u);
}

} // namespace
} // namespace sorvalind::test
