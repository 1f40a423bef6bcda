// The favourite and rating controls show what they are given, report the
// user's choice and carry the texts people and screen readers meet: menu
// items, tooltips, accessible names and descriptions. A click on the current
// star rates it again; only "No Rating" and the clear button clear.

#include "kit/favorite_controls.h"
#include "kit/rating_controls.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace sorvalind::test {
namespace {

// Whether `button` shows symbol `name` in `colour` (a symbol that is not
// bundled would paint nothing and match an empty icon).
bool shows(const QToolButton& button, const QString& name, const QColor& colour) {
    if (!hasSymbol(name)) return false;
    const QSize size = button.iconSize();
    return button.icon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
           symbolPixmap(name, size, colour).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(FavoriteMenuAction, OffersToAddOrRemoveAndRunsItsAction) {
    for (const bool favorite : {false, true}) {
        QMenu menu;
        int runs = 0;
        QAction* item = addFavoriteMenuAction(menu, favorite, [&] { ++runs; });
        EXPECT_EQ(item->text(),
                  favorite ? QStringLiteral("Remove from Favorites") : QStringLiteral("Add to Favorites"));
        EXPECT_FALSE(item->icon().isNull());
        item->trigger();
        EXPECT_EQ(runs, 1);
    }
}

TEST(RatingMenu, ChecksTheEffectiveRatingAndReportsEveryChoice) {
    const struct {
        std::optional<std::int64_t> rating;
        int checked;
    } cases[] = {{std::nullopt, 0}, {0, 0}, {1, 1}, {3, 3}, {5, 5}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.checked);
        QMenu menu;
        std::vector<int> chosen;
        QMenu* rating = addRatingMenu(menu, row.rating, [&](int value) { chosen.push_back(value); });
        EXPECT_EQ(rating->title(), QStringLiteral("Rating"));
        EXPECT_FALSE(rating->icon().isNull());
        const QList<QAction*> items = rating->actions();
        ASSERT_EQ(items.size(), 6);
        const QStringList texts = {QStringLiteral("No Rating"), QStringLiteral("1 star"),
                                   QStringLiteral("2 stars"),   QStringLiteral("3 stars"),
                                   QStringLiteral("4 stars"),   QStringLiteral("5 stars")};
        for (int value = 0; value <= 5; ++value) {
            EXPECT_EQ(items[value]->text(), texts[value]);
            EXPECT_EQ(items[value]->isChecked(), value == row.checked) << value;
        }
        for (QAction* item : items)
            item->trigger();
        EXPECT_EQ(chosen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    }
}

TEST(FavoriteButton, ChangesSymbolTooltipNameAndStateTogetherAndClicksInBothStates) {
    int clicks = 0;
    FavoriteButton button(false, QStringLiteral("Blue Train"), [&] { ++clicks; });
    button.show();
    EXPECT_EQ(button.size(), QSize(32, 32));
    const QColor ink = button.palette().color(QPalette::ButtonText);
    for (const bool favorite : {false, true, false}) {
        SCOPED_TRACE(favorite);
        button.setFavorite(favorite, QStringLiteral("Blue Train"));
        const QString title = favorite ? QStringLiteral("Remove Blue Train from Favorites")
                                       : QStringLiteral("Add Blue Train to Favorites");
        EXPECT_EQ(button.toolTip(), title);
        EXPECT_EQ(button.accessibleName(), title);
        EXPECT_EQ(button.accessibleDescription(),
                  favorite ? QStringLiteral("Favorite") : QStringLiteral("Not favorite"));
        EXPECT_TRUE(shows(button, favorite ? QStringLiteral("heart.fill") : QStringLiteral("heart"), ink));
        const int before = clicks;
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(clicks, before + 1);
    }
}

TEST(StarRatingControl, FillsStarsUpToTheRatingAndReadsItOut) {
    const struct {
        std::optional<std::int64_t> rating;
        int effective;
        const char* value;
    } cases[] = {{std::nullopt, 0, "No rating"},
                 {0, 0, "No rating"},
                 {1, 1, "1 out of 5 stars"},
                 {3, 3, "3 out of 5 stars"},
                 {5, 5, "5 out of 5 stars"}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.effective);
        StarRatingControl control(row.rating, QStringLiteral("Blue Train"), std::nullopt, [](int) {});
        const QColor secondary = secondaryTextColor(control.palette());
        EXPECT_EQ(control.rating(), row.effective);
        EXPECT_EQ(control.accessibleName(), QStringLiteral("Rating for Blue Train"));
        EXPECT_EQ(control.accessibleDescription(), QString::fromLatin1(row.value));
        for (int value = 1; value <= 5; ++value) {
            SCOPED_TRACE(value);
            QToolButton* star = control.star(value);
            EXPECT_EQ(star->size(), QSize(22, 24));
            const bool filled = value <= row.effective;
            EXPECT_TRUE(filled ? shows(*star, QStringLiteral("star.fill"), accentColor())
                               : shows(*star, QStringLiteral("star"), secondary));
            EXPECT_EQ(star->isChecked(), value == row.effective) << "the selected star";
            const QString help = value == 1 ? QStringLiteral("Rate Blue Train 1 star")
                                            : QStringLiteral("Rate Blue Train %1 stars").arg(value);
            EXPECT_EQ(star->toolTip(), help);
            EXPECT_EQ(star->accessibleName(), help);
        }
        QToolButton* clear = control.clearButton();
        EXPECT_EQ(clear->isEnabled(), row.effective != 0);
        EXPECT_EQ(clear->toolTip(), QStringLiteral("Clear rating"));
        EXPECT_EQ(clear->accessibleName(), QStringLiteral("Clear rating for Blue Train"));
        EXPECT_TRUE(shows(*clear, QStringLiteral("xmark.circle"), secondary));
    }
}

TEST(StarRatingControl, AClickRatesThatStarAgainAndOnlyTheClearButtonClears) {
    std::vector<int> rated;
    StarRatingControl control(5, QStringLiteral("Blue Train"), std::nullopt,
                              [&](int value) { rated.push_back(value); });
    control.show();
    QTest::mouseClick(control.star(5), Qt::LeftButton);
    QTest::mouseClick(control.star(2), Qt::LeftButton);
    QTest::mouseClick(control.clearButton(), Qt::LeftButton);
    EXPECT_EQ(rated, (std::vector<int>{5, 2, 0}));
    // The control keeps showing the rating it was given until it is given another.
    EXPECT_TRUE(control.star(5)->isChecked());
    EXPECT_FALSE(control.star(2)->isChecked());
    control.setRating(0);
    QTest::mouseClick(control.clearButton(), Qt::LeftButton);
    EXPECT_EQ(rated.size(), 3u) << "the clear button is disabled without a rating";

    // A foreground colour takes every star and the clear button alike.
    const QColor white(Qt::white);
    control.setRating(2);
    control.setForeground(white);
    EXPECT_TRUE(shows(*control.star(1), QStringLiteral("star.fill"), white));
    EXPECT_TRUE(shows(*control.star(4), QStringLiteral("star"), white));
    EXPECT_TRUE(shows(*control.clearButton(), QStringLiteral("xmark.circle"), white));
}

TEST(RatingControls, PicturesTheControlsAndTheirMenus) {
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&sheet);
    const auto label = [&](const char* text, int row) {
        grid->addWidget(new QLabel(QString::fromLatin1(text)), row, 0);
    };
    label("Not a favourite", 0);
    grid->addWidget(new FavoriteButton(false, QStringLiteral("Blue Train"), [] {}), 0, 1, Qt::AlignLeft);
    label("Favourite", 1);
    grid->addWidget(new FavoriteButton(true, QStringLiteral("Blue Train"), [] {}), 1, 1, Qt::AlignLeft);
    label("No rating", 2);
    grid->addWidget(
        new StarRatingControl(std::nullopt, QStringLiteral("Blue Train"), std::nullopt, [](int) {}), 2, 1);
    label("3 stars", 3);
    grid->addWidget(new StarRatingControl(3, QStringLiteral("Blue Train"), std::nullopt, [](int) {}), 3, 1);
    label("5 stars", 4);
    grid->addWidget(new StarRatingControl(5, QStringLiteral("Blue Train"), std::nullopt, [](int) {}), 4, 1);
    auto* tinted = new QWidget;
    tinted->setAutoFillBackground(true);
    QPalette dark = tinted->palette();
    dark.setColor(QPalette::Window, QColor(41, 51, 61));
    tinted->setPalette(dark);
    auto* tintedRow = new QGridLayout(tinted);
    tintedRow->addWidget(
        new StarRatingControl(4, QStringLiteral("Blue Train"), QColor(Qt::white), [](int) {}), 0, 0);
    label("4 stars on a tint", 5);
    grid->addWidget(tinted, 5, 1);
    EXPECT_FALSE(
        saveScreenshot(sheet, QStringLiteral("library-window"), QStringLiteral("rating-controls")).isEmpty());

    QMenu menu;
    addFavoriteMenuAction(menu, true, [] {});
    QMenu* rating = addRatingMenu(menu, 3, [](int) {});
    menu.popup(QPoint(0, 0));
    processEvents();
    EXPECT_FALSE(saveScreenshot(menu, QStringLiteral("library-window"), QStringLiteral("rating-context-menu"))
                     .isEmpty());
    rating->popup(QPoint(0, 0));
    processEvents();
    EXPECT_FALSE(saveScreenshot(*rating, QStringLiteral("library-window"), QStringLiteral("rating-submenu"))
                     .isEmpty());
    rating->hide();
    menu.hide();
}

} // namespace
} // namespace sorvalind::test
