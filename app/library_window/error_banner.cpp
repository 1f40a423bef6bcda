#include "library_window/error_banner.h"

#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvalind {

std::optional<BannerMessage> bannerMessage(const std::optional<std::string>& modelError,
                                           const std::optional<std::string>& playbackError) {
    if (modelError) return BannerMessage{*modelError, true};
    if (playbackError) return BannerMessage{*playbackError, false};
    return std::nullopt;
}

ErrorBanner::ErrorBanner(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* bar = new QWidget(this);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Window).darker(104));
    bar->setPalette(palette);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(8);
    auto* symbol = new QLabel(bar);
    symbol->setPixmap(symbolPixmap(QStringLiteral("exclamationmark.triangle"), QSize(16, 16),
                                   QColor(255, 149, 0), devicePixelRatioF()));
    row->addWidget(symbol, 0, Qt::AlignTop);
    message_ = plainLabel(QString(), bar);
    message_->setObjectName(QStringLiteral("errorMessage"));
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    applyTextStyle(message_, TextStyle::callout);
    row->addWidget(message_, 1, Qt::AlignTop);
    dismiss_ = new QToolButton(bar);
    dismiss_->setAutoRaise(true);
    dismiss_->setIcon(symbolIcon(QStringLiteral("xmark"), palette.color(QPalette::WindowText)));
    dismiss_->setAccessibleName(QStringLiteral("Dismiss error"));
    dismiss_->setToolTip(QStringLiteral("Dismiss error"));
    row->addWidget(dismiss_, 0, Qt::AlignTop);
    outer->addWidget(bar);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    outer->addWidget(divider);
    connect(dismiss_, &QToolButton::clicked, this, &ErrorBanner::dismissed);
    setVisible(false);
}

void ErrorBanner::present(const std::optional<BannerMessage>& message) {
    if (!message) {
        setVisible(false);
        return;
    }
    setPlainText(message_, QString::fromStdString(message->text));
    dismiss_->setVisible(message->dismissable);
    setVisible(true);
}

QString ErrorBanner::text() const {
    return isVisibleTo(parentWidget()) ? message_->text() : QString();
}

} // namespace sorvalind
