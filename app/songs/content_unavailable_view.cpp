#include "songs/content_unavailable_view.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind {

ContentUnavailableView::ContentUnavailableView(const QString& symbol, const QString& title,
                                               const QString& description, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(6);
    layout->addStretch(1);
    auto* icon = new QLabel(this);
    QColor tint = palette().color(QPalette::WindowText);
    tint.setAlphaF(0.45f);
    icon->setPixmap(symbolPixmap(symbol, QSize(40, 40), tint, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    title_ = new QLabel(title, this);
    title_->setTextFormat(Qt::PlainText);
    applyTextStyle(title_, TextStyle::title3, QFont::Bold);
    title_->setAlignment(Qt::AlignCenter);
    title_->setWordWrap(true);
    description_ = new QLabel(description, this);
    description_->setTextFormat(Qt::PlainText);
    applyTextStyle(description_, TextStyle::callout);
    applySecondaryStyle(description_);
    description_->setAlignment(Qt::AlignCenter);
    description_->setWordWrap(true);
    layout->addWidget(icon);
    layout->addWidget(title_);
    layout->addWidget(description_);
    layout->addStretch(1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString ContentUnavailableView::title() const {
    return title_->text();
}

QString ContentUnavailableView::description() const {
    return description_->text();
}

} // namespace sorvalind
