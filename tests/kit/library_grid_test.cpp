// The grids' shared pieces: the count header's text, the column rule (never
// a negative tile, however narrow the view), the pressed tile's look, and
// which tiles count as on screen, worked out once per loop turn.

#include "kit/library_grid.h"
#include "kit/text_styles.h"
#include "kit/visibility_tracker.h"

#include "support/widgets/gui_wait.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace sorvalind::test {
namespace {

struct DefaultLocale {
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(previous); }
    QLocale previous;
};

TEST(LibraryCount, GroupsTheCountInTheUsersLocaleAndKeepsThePluralWord) {
    {
        const DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(libraryCountText(1, QStringLiteral("artists")), QStringLiteral("1 artists"));
        EXPECT_EQ(libraryCountText(0, QStringLiteral("genres")), QStringLiteral("0 genres"));
        EXPECT_EQ(libraryCountText(12345, QStringLiteral("albums")), QStringLiteral("12,345 albums"));
        std::unique_ptr<QWidget> row(makeLibraryCount(1234, QStringLiteral("artists")));
        auto* label = row->findChild<QLabel*>(QStringLiteral("libraryCount"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QStringLiteral("1,234 artists"));
        EXPECT_EQ(label->font().pointSizeF(), textFont(TextStyle::callout).pointSizeF());
    }
    const DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(libraryCountText(12345, QStringLiteral("albums")), QStringLiteral("12.345 albums"));
}

TEST(LibraryColumns, FitsAsManyColumnsAsTheWidthAllowsAndNeverANegativeTile) {
    const struct {
        double viewport;
        int count;
        double tile;
    } cases[] = {
        {0, 1, 0},                       // narrower than the padding: a tile of nothing, not of -48
        {30, 1, 0},       {100, 1, 52},  // one column narrower than the minimum
        {203, 1, 155},    {300, 1, 210}, // one column at its widest, the rest left empty
        {381, 1, 210},    {382, 2, 155}, // the second column fits at its narrowest
        {1000, 5, 171.2}, {2000, 11, 1712.0 / 11},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.viewport);
        const LibraryColumns columns = LibraryColumns::fit(row.viewport);
        EXPECT_EQ(columns.count, row.count);
        EXPECT_NEAR(columns.tileWidth, row.tile, 1e-9);
        EXPECT_GE(columns.tileWidth, 0);
        EXPECT_LE(columns.tileWidth, 210);
        // The columns never reach into the right padding (when there is room).
        if (row.viewport >= 48) {
            EXPECT_LE(columns.columnX(columns.count - 1) + columns.tileWidth, row.viewport - 24 + 1e-9);
        }
    }
}

TEST(LibraryTileStyle, TintsAndDimsOnlyWhilePressed) {
    EXPECT_DOUBLE_EQ(LibraryTileStyle::opacity(true), 0.8);
    EXPECT_DOUBLE_EQ(LibraryTileStyle::opacity(false), 1.0);
    for (const bool pressed : {false, true}) {
        QImage image(60, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        LibraryTileStyle::paintBackground(painter, QRectF(0, 0, 60, 60), pressed);
        painter.end();
        const QColor middle = image.pixelColor(30, 30);
        EXPECT_EQ(middle.alpha(), pressed ? qRound(0.14 * 255) : 0) << pressed;
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "the corners are rounded off";
    }
}

TEST(VisibilityTracker, CountsATileVisibleFromOnePercentOfItsArea) {
    const QRectF tile(0, 0, 100, 100);
    const struct {
        const char* name;
        QRectF tile;
        QRectF viewport;
        bool visible;
    } cases[] = {
        {"inside", tile, QRectF(-10, -10, 300, 300), true},
        {"one row of a hundred", tile, QRectF(0, 99, 300, 300), true},
        {"half a row", tile, QRectF(0, 99.5, 300, 300), false},
        {"one column", tile, QRectF(99, -50, 300, 300), true},
        {"touching", tile, QRectF(0, 100, 300, 300), false},
        {"apart", tile, QRectF(500, 500, 10, 10), false},
        {"an empty tile", QRectF(10, 10, 0, 50), QRectF(0, 0, 300, 300), false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(isTileVisible(row.tile, row.viewport), row.visible) << row.name;
}

TEST(VisibilityTracker, ReportsChangesOncePerLoopTurnAndHiddenPagesAsNotVisible) {
    QWidget window;
    auto* area = new QScrollArea(&window);
    area->resize(200, 200);
    auto* content = new QWidget;
    content->setFixedSize(180, 1000);
    auto* first = new QWidget(content);
    first->setGeometry(0, 0, 100, 100);
    auto* later = new QWidget(content);
    later->setGeometry(0, 600, 100, 100);
    area->setWidget(content);
    VisibilityTracker tracker(*area);
    std::vector<std::pair<char, bool>> told;
    tracker.track(first, [&](bool visible) { told.emplace_back('f', visible); });
    tracker.track(later, [&](bool visible) { told.emplace_back('l', visible); });
    // Not on screen yet: the first verdicts come at once, both not visible.
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'f', false}, {'l', false}}));
    told.clear();

    window.resize(220, 220);
    window.show();
    processEvents();
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'f', true}}));
    told.clear();

    // Out and back within one turn: no verdict changes.
    area->verticalScrollBar()->setValue(700);
    area->verticalScrollBar()->setValue(0);
    processEvents();
    EXPECT_TRUE(told.empty());

    area->verticalScrollBar()->setValue(550);
    processEvents();
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'f', false}, {'l', true}}));
    told.clear();

    // A hidden page: everything on it is out of sight.
    area->hide();
    processEvents();
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'l', false}}));
    told.clear();
    area->show();
    processEvents();
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'l', true}}));
    told.clear();

    // A tile that goes away is forgotten.
    delete later;
    area->verticalScrollBar()->setValue(0);
    processEvents();
    EXPECT_EQ(told, (std::vector<std::pair<char, bool>>{{'f', true}}));
}

} // namespace
} // namespace sorvalind::test
