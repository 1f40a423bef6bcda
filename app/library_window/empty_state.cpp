#include "library_window/empty_state.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind {

EmptyState::EmptyState(const QString& symbol, const QString& title, const QString& description,
                       QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);
    layout->addStretch(1);
    auto* icon = new QLabel(this);
    icon->setPixmap(symbolPixmap(symbol, QSize(40, 40), secondaryTextColor(palette()), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    title_ = new QLabel(title, this);
    title_->setObjectName(QStringLiteral("emptyTitle"));
    title_->setTextFormat(Qt::PlainText);
    applyTextStyle(title_, TextStyle::title2, QFont::Bold);
    title_->setAlignment(Qt::AlignCenter);
    description_ = new QLabel(description, this);
    description_->setObjectName(QStringLiteral("emptyDescription"));
    description_->setTextFormat(Qt::PlainText);
    applyTextStyle(description_, TextStyle::callout);
    applySecondaryStyle(description_);
    description_->setAlignment(Qt::AlignCenter);
    description_->setWordWrap(true);
    layout->addWidget(icon);
    layout->addWidget(title_);
    layout->addWidget(description_);
    layout->addStretch(1);
}

QString EmptyState::title() const {
    return title_->text();
}

QString EmptyState::description() const {
    return description_->text();
}

} // namespace sorvalind
