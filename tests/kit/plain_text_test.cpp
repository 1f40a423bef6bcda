// Names and messages show exactly as written wherever the kit puts them: in
// labels, tooltips, menu items and buttons, never read as markup or as a
// keyboard mnemonic.

#include "kit/plain_text.h"

#include "support/widgets/gui_wait.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextDocument>

namespace sorvalind::test {
namespace {

const QStringList texts{
    QStringLiteral("Simon & Garfunkel"),
    QStringLiteral("<b>Bold</b> Records"),
    QStringLiteral("Line one\nLine <two>"),
    QStringLiteral("Tom &amp; Jerry"),
    QStringLiteral("&&&"),
};

TEST(PlainText, LabelsAndTooltipsShowTheTextVerbatim) {
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        QLabel* label = plainLabel(text);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), text);
        delete label;

        // What the tooltip's rich text shows, read back as plain text.
        QTextDocument shown;
        shown.setHtml(plainToolTip(text));
        EXPECT_EQ(shown.toPlainText().trimmed().replace(QChar::LineSeparator, QLatin1Char('\n')), text);
        EXPECT_TRUE(Qt::mightBeRichText(plainToolTip(text)));
    }
    EXPECT_EQ(plainToolTip(QString()), QString());
}

TEST(PlainText, MenuAndButtonTitlesKeepEveryAmpersand) {
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        // A single "&" would make the next character an Alt shortcut and vanish.
        QPushButton raw(text);
        QPushButton button(menuText(text));
        EXPECT_TRUE(button.shortcut().isEmpty()) << "no mnemonic taken from a name";
        if (text.contains(QRegularExpression(QStringLiteral("(^|[^&])&[^&]")))) {
            EXPECT_FALSE(raw.shortcut().isEmpty());
        }
    }
}

} // namespace
} // namespace sorvalind::test
