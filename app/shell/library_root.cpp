#include "shell/library_root.h"

#include "shell/main_window_factory.h"

#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "model/app_model.h"
#include "server/app_links.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

constexpr int firstRunWidth = 640;
constexpr int symbolSize = 40;

} // namespace

LibraryRoot::LibraryRoot(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                         const ShellViews& views, QWidget* parent)
    : QWidget(parent), model_(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (model->configuration()) {
        factory_ = new MainWindowFactory(model, std::move(coordinator), views, this);
        connect(factory_, &MainWindowFactory::titleChanged, this, &LibraryRoot::titleChanged);
        layout->addWidget(factory_->build(this));
    } else {
        firstRun_ = true;
        layout->addWidget(buildFirstRun(std::move(coordinator), views));
    }
}

QString LibraryRoot::title() const {
    return factory_ ? factory_->title() : QStringLiteral("Sorvalind");
}

QWidget* LibraryRoot::buildFirstRun(std::shared_ptr<AppCoordinator> coordinator, const ShellViews& views) {
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Window);

    auto* page = new QWidget(scroll);
    auto* outer = new QHBoxLayout(page);
    auto* column = new QWidget(page);
    column->setMaximumWidth(firstRunWidth);
    outer->addStretch(1);
    outer->addWidget(column, 100);
    outer->addStretch(1);

    auto* stack = new QVBoxLayout(column);
    stack->setSpacing(0);
    stack->setContentsMargins(0, 0, 0, 0);

    // The header: 32 above, 12 between its lines, 12 below.
    stack->addSpacing(32);
    auto* symbol = new QLabel(column);
    symbol->setPixmap(symbolPixmap(QStringLiteral("music.note.house.fill"), QSize(symbolSize, symbolSize),
                                   accentColor(), devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    symbol->setObjectName(QStringLiteral("firstRunSymbol"));
    stack->addWidget(symbol);
    stack->addSpacing(12);
    QLabel* title = plainLabel(QStringLiteral("Connect your music"), column);
    applyTextStyle(title, TextStyle::largeTitle, QFont::Bold);
    title->setAlignment(Qt::AlignCenter);
    stack->addWidget(title);
    stack->addSpacing(12);
    QLabel* subtitle = plainLabel(QStringLiteral("Sign in to your Navidrome server to get started."), column);
    applySecondaryStyle(subtitle);
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);
    stack->addWidget(subtitle);
    stack->addSpacing(12);

    if (views.signInForm) stack->addWidget(views.signInForm(std::move(coordinator), column));

    const QString privacy = QString::fromUtf8(AppLinks::privacyPolicyURL.data(),
                                              static_cast<qsizetype>(AppLinks::privacyPolicyURL.size()));
    auto* link = new QLabel(column);
    link->setObjectName(QStringLiteral("privacyPolicy"));
    link->setTextFormat(Qt::RichText);
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color: %2\">Privacy Policy</a>")
                      .arg(privacy.toHtmlEscaped(), accentColor().name()));
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, link,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    link->setContentsMargins(0, 16, 0, 16);
    stack->addWidget(link);
    stack->addStretch(1);

    scroll->setWidget(page);
    return scroll;
}

} // namespace sorvalind
