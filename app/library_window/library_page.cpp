#include "library_window/library_page.h"

#include "kit/plain_text.h"
#include "kit/text_styles.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind {

LibraryPage::LibraryPage(PageChoice choice, QString title, QWidget* parent)
    : QWidget(parent), choice_(std::move(choice)), title_(std::move(title)) {}

void LibraryPage::setInputs(const PageChoice& choice, const QString& title) {
    if (choice == choice_ && title == title_) return;
    choice_ = choice;
    title_ = title;
    inputsChanged();
}

PlaceholderPage::PlaceholderPage(PageChoice choice, QString title, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    name_ = plainLabel(QString(), this);
    name_->setObjectName(QStringLiteral("placeholderName"));
    name_->setAlignment(Qt::AlignCenter);
    applyTextStyle(name_, TextStyle::title2);
    applySecondaryStyle(name_);
    layout->addWidget(name_);
    layout->addStretch(1);
    inputsChanged();
}

void PlaceholderPage::inputsChanged() {
    setPlainText(name_, title());
}

HostedPage::HostedPage(PageChoice choice, QString title, QWidget* content, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    content_->setParent(this);
    layout->addWidget(content_, 1);
}

} // namespace sorvalind
