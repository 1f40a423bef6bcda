// A message opens without waiting for the answer, shows its texts verbatim,
// hands the chosen button (or the escape button) to its callback and then
// deletes itself.

#include "kit/dialogs.h"

#include "support/widgets/gui_wait.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QWidget>

namespace sorvalind::test {
namespace {

TEST(Dialogs, AMessageAnswersThroughItsCallbackAndGoes) {
    QWidget window;
    window.resize(400, 300);
    window.show();
    const struct {
        bool escape;
        QMessageBox::StandardButton expected;
    } cases[] = {{false, QMessageBox::Discard}, {true, QMessageBox::Cancel}};
    for (const auto& c : cases) {
        std::vector<QMessageBox::StandardButton> answers;
        QPointer<QMessageBox> box =
            openMessage(&window,
                        {.icon = QMessageBox::Warning,
                         .title = QStringLiteral("Reset"),
                         .text = QStringLiteral("<b>Rock & Roll</b>"),
                         .informativeText = QStringLiteral("A <i>detail</i>"),
                         .buttons = QMessageBox::Discard | QMessageBox::Cancel,
                         .defaultButton = QMessageBox::Cancel,
                         .escapeButton = QMessageBox::Cancel},
                        [&](QMessageBox::StandardButton button) { answers.push_back(button); });
        ASSERT_TRUE(box);
        EXPECT_TRUE(answers.empty()) << "opening does not wait for the answer";
        ASSERT_TRUE(waitUntil([&] { return box->isVisible(); }));
        bool verbatim = false;
        for (QLabel* label : box->findChildren<QLabel*>()) {
            QTextDocument shown;
            shown.setHtml(label->text());
            if (label->text() == QStringLiteral("<b>Rock & Roll</b>") && label->textFormat() == Qt::PlainText)
                verbatim = true;
            if (label->text().contains(QStringLiteral("detail"))) {
                EXPECT_EQ(shown.toPlainText().trimmed(), QStringLiteral("A <i>detail</i>"));
            }
        }
        EXPECT_TRUE(verbatim);
        if (c.escape) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(QMessageBox::Discard)->click();
        }
        ASSERT_TRUE(waitUntil([&] { return box.isNull(); })) << "the box deletes itself";
        EXPECT_EQ(answers, std::vector<QMessageBox::StandardButton>{c.expected});
    }
}

} // namespace
} // namespace sorvalind::test
