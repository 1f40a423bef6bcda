// The help window's content: where it opens, how topics change, the
// shortcut rows against the application's key table, and text that is
// neither cut off nor wider than its column at the window's smallest and
// the main window's default width.

#include "shell/help_topics.h"
#include "shell/help_window.h"

#include "kit/key_table.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>

namespace sorvalind::test {
namespace {

QString title(HelpTopic topic) {
    const std::string_view text = HelpTopics::title(topic);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether `page` shows `topic`: its heading is the first label.
bool shows(const HelpView& view, HelpTopic topic) {
    const QList<QLabel*> labels = view.page()->findChildren<QLabel*>();
    for (QLabel* label : labels)
        if (!label->text().isEmpty()) return label->text() == title(topic);
    return false;
}

TEST(HelpWindowTest, OpensOnGettingStartedAndStartsEveryTopicAtItsTop) {
    HelpView view;
    view.resize(820, 640);
    view.show();
    processEvents();
    EXPECT_GE(view.minimumWidth(), 720);
    EXPECT_GE(view.minimumHeight(), 500);
    ASSERT_EQ(view.selection(), HelpTopic::connecting);
    EXPECT_EQ(view.topicList()->currentItem()->text(), QStringLiteral("Getting Started"));
    EXPECT_TRUE(shows(view, HelpTopic::connecting));
    EXPECT_GE(view.topicList()->width(), HelpView::sidebarMinimum);
    EXPECT_LE(view.topicList()->width(), HelpView::sidebarMaximum);
    EXPECT_FALSE(
        saveScreenshot(view, QStringLiteral("shell"), QStringLiteral("help_getting_started")).isEmpty());

    view.select(HelpTopic::troubleshooting);
    processEvents();
    QScrollBar* scroll = view.detail()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0) << "the page should be longer than the window";
    scroll->setValue(scroll->maximum());
    view.select(HelpTopic::library);
    processEvents();
    EXPECT_TRUE(shows(view, HelpTopic::library));
    EXPECT_EQ(scroll->value(), 0);

    // No selection: no row highlighted, the first page shown.
    view.select(std::nullopt);
    processEvents();
    EXPECT_EQ(view.selection(), std::nullopt);
    EXPECT_TRUE(view.topicList()->selectedItems().isEmpty());
    EXPECT_TRUE(shows(view, HelpTopic::connecting));

    // A new window opens on the first topic again.
    HelpView again;
    EXPECT_EQ(again.selection(), HelpTopic::connecting);
}

TEST(HelpWindowTest, PrintsTheKeyTableRowByRow) {
    HelpView view;
    view.resize(820, 640);
    view.select(HelpTopic::shortcuts);
    view.show();
    processEvents();
    const QList<QGridLayout*> grids = view.page()->findChildren<QGridLayout*>();
    ASSERT_EQ(grids.size(), 1);
    QGridLayout* grid = grids.front();
    const std::vector<KeyBinding>& table = keyTable();
    ASSERT_EQ(static_cast<std::size_t>(grid->rowCount()), table.size());
    int keysColumnLeft = -1;
    for (std::size_t row = 0; row < table.size(); ++row) {
        auto* action = qobject_cast<QLabel*>(grid->itemAtPosition(static_cast<int>(row), 0)->widget());
        auto* keys = qobject_cast<QLabel*>(grid->itemAtPosition(static_cast<int>(row), 1)->widget());
        ASSERT_TRUE(action && keys);
        EXPECT_EQ(action->text(), QString::fromUtf8(table[row].action));
        EXPECT_EQ(keys->text(), table[row].keysText());
        EXPECT_TRUE(QFontInfo(keys->font()).fixedPitch()) << QFontInfo(keys->font()).family().toStdString();
        EXPECT_FALSE(QFontInfo(action->font()).fixedPitch());
        // One leading-aligned column of keys.
        if (keysColumnLeft < 0) keysColumnLeft = keys->x();
        EXPECT_EQ(keys->x(), keysColumnLeft);
    }
    EXPECT_FALSE(saveScreenshot(view, QStringLiteral("shell"), QStringLiteral("help_shortcuts")).isEmpty());
}

TEST(HelpWindowTest, EveryTextFitsItsColumnUncutAndCanBeSelected) {
    for (int width : {720, 1180}) {
        for (HelpTopic topic : HelpTopics::all()) {
            SCOPED_TRACE(width);
            SCOPED_TRACE(HelpTopics::title(topic));
            HelpView view;
            view.resize(width, 640);
            view.select(topic);
            view.show();
            processEvents();
            QWidget* column = view.page()->findChild<QWidget*>(QStringLiteral("helpColumn"));
            ASSERT_NE(column, nullptr);
            EXPECT_LE(column->width(), HelpView::columnMaximum);
            EXPECT_GE(column->x(), HelpView::pagePadding);
            EXPECT_LE(column->x() + column->width(), view.detail()->viewport()->width());
            for (QLabel* label : view.page()->findChildren<QLabel*>()) {
                if (label->text().isEmpty()) continue;
                SCOPED_TRACE(label->text().left(40).toStdString());
                EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                if (label->wordWrap())
                    EXPECT_GE(label->height(), label->heightForWidth(label->width()));
                else
                    EXPECT_GE(label->width(), label->sizeHint().width());
                EXPECT_LE(label->mapTo(column, QPoint(label->width(), 0)).x(), column->width());
            }
        }
    }
}

} // namespace
} // namespace sorvalind::test
