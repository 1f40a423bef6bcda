#include "shell/help_page.h"
#include "shell/qt_text.h"

#include "kit/key_table.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace sorvalind {

namespace {

constexpr int columnMaximum = 600;
constexpr int padding = 32;
constexpr int headingSymbolSize = 28;

QLabel* selectableText(std::string_view content, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(toQString(content));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

QWidget* heading(HelpTopic topic, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* symbol = new QLabel(row);
    symbol->setPixmap(symbolPixmap(toQString(HelpTopics::symbol(topic)),
                                   QSize(headingSymbolSize, headingSymbolSize), accentColor()));
    layout->addWidget(symbol);
    QLabel* title = selectableText(HelpTopics::title(topic), row);
    title->setWordWrap(false);
    applyTextStyle(title, TextStyle::largeTitle, QFont::DemiBold);
    title->setAccessibleDescription(QStringLiteral("heading"));
    layout->addWidget(title, 1);
    return row;
}

QWidget* section(const HelpSection& content, QWidget* parent) {
    auto* block = new QWidget(parent);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    QLabel* title = selectableText(content.title, block);
    applyTextStyle(title, TextStyle::title3, QFont::DemiBold);
    title->setAccessibleDescription(QStringLiteral("heading"));
    layout->addWidget(title);
    layout->addWidget(selectableText(content.body, block));
    return block;
}

QWidget* shortcutGrid(QWidget* parent) {
    auto* grid = new QWidget(parent);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(28);
    layout->setVerticalSpacing(14);
    int row = 0;
    for (const KeyBinding& binding : keyTable()) {
        layout->addWidget(selectableText(binding.action, grid), row, 0, Qt::AlignLeading | Qt::AlignVCenter);
        QLabel* keys = selectableText({}, grid);
        keys->setText(binding.keysText());
        keys->setWordWrap(false);
        applyTextStyle(keys, TextStyle::monospacedBody);
        applySecondaryStyle(keys);
        layout->addWidget(keys, row, 1, Qt::AlignLeading | Qt::AlignVCenter);
        ++row;
    }
    layout->setColumnStretch(2, 1);
    return grid;
}

} // namespace

QWidget* makeHelpPage(HelpTopic topic, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* outer = new QHBoxLayout(page);
    outer->setContentsMargins(padding, padding, padding, padding);
    auto* column = new QWidget(page);
    column->setObjectName(QStringLiteral("helpColumn"));
    column->setMaximumWidth(columnMaximum);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(24);
    // The column takes the width up to its maximum; what is left stays
    // empty on the trailing side.
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    outer->addWidget(column, 1);
    outer->addStretch(0);

    stack->addWidget(heading(topic, column));
    const HelpPage content = HelpTopics::page(topic);
    if (!content.introduction.empty()) stack->addWidget(selectableText(content.introduction, column));
    if (content.showsShortcuts) stack->addWidget(shortcutGrid(column));
    for (const HelpSection& part : content.sections)
        stack->addWidget(section(part, column));
    stack->addStretch(1);
    return page;
}

} // namespace sorvalind
