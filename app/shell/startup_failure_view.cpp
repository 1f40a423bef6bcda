#include "shell/startup_failure_view.h"
#include "shell/qt_text.h"

#include "shell/reset_texts.h"

#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "model/app_coordinator.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

// The empty-state column's width: long messages wrap inside it.
constexpr int columnWidth = 420;
constexpr int symbolSize = 48;

} // namespace

AppStartupFailure::AppStartupFailure(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(std::move(coordinator)), watch_(new ModelAdapter(this)),
      symbol_(new QLabel(this)), title_(new QLabel(this)), message_(new QLabel(this)),
      retry_(new QPushButton(this)) {
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    outer->addLayout(column);
    outer->addStretch(1);

    symbol_->setPixmap(symbolPixmap(QStringLiteral("externaldrive.badge.exclamationmark"),
                                    QSize(symbolSize, symbolSize), secondaryTextColor(palette())));
    symbol_->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol_, 0, Qt::AlignHCenter);

    for (QLabel* label : {title_, message_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setFixedWidth(columnWidth);
        column->addWidget(label, 0, Qt::AlignHCenter);
    }
    applyTextStyle(title_, TextStyle::title2, QFont::Bold);
    applyTextStyle(message_, TextStyle::body);
    applySecondaryStyle(message_);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    retry_->setText(menuText(toQString(ResetTexts::retryReset)));
    retry_->setAutoDefault(false);
    // A destructive action: the button wears red.
    QPalette red = retry_->palette();
    red.setColor(QPalette::ButtonText, QColor::fromRgbF(0.78f, 0.1f, 0.15f));
    retry_->setPalette(red);
    column->addSpacing(6);
    column->addWidget(retry_, 0, Qt::AlignHCenter);
    connect(retry_, &QPushButton::clicked, this, [this] {
        // The reset runs on without the page; its outcome is the coordinator's.
        coordinator_->reset();
    });

    watch_->watch(coordinator_->resetFailed());
    watch_->watch(coordinator_->startupError());
    connect(watch_, &ModelAdapter::modelChanged, this, &AppStartupFailure::render);
    render();
}

void AppStartupFailure::render() {
    const bool resetFailed = coordinator_->resetFailed().value();
    title_->setText(toQString(resetFailed ? ResetTexts::resetFailedTitle : ResetTexts::openFailedTitle));
    // The message is shown as it is: it is no key to look up.
    const auto& error = coordinator_->startupError().value();
    message_->setText(error ? QString::fromStdString(*error) : QString());
    retry_->setVisible(resetFailed);
}

} // namespace sorvalind
