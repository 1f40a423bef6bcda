#include "library_window/library_sidebar.h"

#include "kit/key_table.h"
#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPixmap statusDot(bool connected, const QPalette& palette, qreal ratio) {
    QPixmap pixmap(QSize(6, 6) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(connected ? QColor(52, 199, 89) : secondaryTextColor(palette));
    painter.drawEllipse(QRectF(0, 0, 6, 6));
    return pixmap;
}

} // namespace

LibrarySidebar::LibrarySidebar(QWidget* parent) : QWidget(parent) {
    setMinimumWidth(minimumWidth);
    setMaximumWidth(maximumWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tree_ = new SidebarTree(this);
    layout->addWidget(tree_, 1);
    layout->addWidget(divider(this));

    auto* settingsArea = new QWidget(this);
    auto* settingsLayout = new QVBoxLayout(settingsArea);
    settingsLayout->setContentsMargins(10, 6, 10, 6);
    settings_ =
        new QPushButton(symbolIcon(QStringLiteral("gearshape"), palette().color(QPalette::WindowText)),
                        QStringLiteral("Settings"), settingsArea);
    settings_->setObjectName(QStringLiteral("settingsRow"));
    settings_->setFlat(true);
    settings_->setToolTip(
        QStringLiteral("Open Settings (%1)").arg(keyBinding(KeyCommand::settings).keysText()));
    settings_->setStyleSheet(
        QStringLiteral("QPushButton { text-align: left; padding: 7px 10px; border: none; "
                       "border-radius: 6px; }"));
    settingsLayout->addWidget(settings_);
    layout->addWidget(settingsArea);
    layout->addWidget(divider(this));

    auto* footer = new QWidget(this);
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(12, 12, 12, 12);
    footerRow->setSpacing(8);
    dot_ = new QLabel(footer);
    footerRow->addWidget(dot_, 0, Qt::AlignTop | Qt::AlignLeft);
    dot_->setContentsMargins(0, 5, 0, 0);
    auto* column = new QVBoxLayout();
    column->setSpacing(3);
    server_ = new QPushButton(footer);
    server_->setObjectName(QStringLiteral("serverButton"));
    server_->setFlat(true);
    server_->setToolTip(QStringLiteral("Show server statistics and your listening recap"));
    server_->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 0; border: none; }"));
    applyTextStyle(server_, TextStyle::caption, QFont::Medium);
    column->addWidget(server_);
    status_ = plainLabel(QString(), footer);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setWordWrap(true);
    applyTextStyle(status_, TextStyle::caption);
    applySecondaryStyle(status_);
    status_->setMaximumHeight(status_->fontMetrics().lineSpacing() * 2 + 2);
    column->addWidget(status_);
    signIn_ = new QPushButton(footer);
    signIn_->setObjectName(QStringLiteral("signInButton"));
    signIn_->setFlat(true);
    signIn_->setStyleSheet(
        QStringLiteral("QPushButton { text-align: left; padding: 0; border: none; color: %1; }")
            .arg(accentColor().name()));
    applyTextStyle(signIn_, TextStyle::caption);
    signIn_->setVisible(false);
    column->addWidget(signIn_);
    footerRow->addLayout(column, 1);
    layout->addWidget(footer);

    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibrarySidebar::selectionChanged);
    connect(tree_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (index == tree_->playlistsSection()) emit playlistsExpandedChanged(true);
    });
    connect(tree_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (index == tree_->playlistsSection()) emit playlistsExpandedChanged(false);
    });
    connect(settings_, &QPushButton::clicked, this, &LibrarySidebar::settingsClicked);
    connect(server_, &QPushButton::clicked, this, &LibrarySidebar::serverClicked);
    connect(signIn_, &QPushButton::clicked, this, &LibrarySidebar::signInClicked);
    setSettingsSelected(false);
    setFooter({});
}

QSize LibrarySidebar::sizeHint() const {
    return {idealWidth, QWidget::sizeHint().height()};
}

void LibrarySidebar::setRoute(const std::optional<std::string>& route) {
    route_ = route;
    selectRoute();
}

void LibrarySidebar::setPlaylists(const std::vector<Playlist>& playlists) {
    if (playlists == tree_->playlists()) return;
    const bool expanded = playlistsExpanded();
    selecting_ = true;
    tree_->setPlaylists(playlists);
    tree_->setExpanded(tree_->playlistsSection(), expanded);
    selecting_ = false;
    selectRoute();
}

void LibrarySidebar::selectRoute() {
    selecting_ = true;
    const QModelIndex index = tree_->indexOf(route_);
    if (index.isValid()) {
        tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        tree_->selectionModel()->clearSelection();
    }
    selecting_ = false;
}

void LibrarySidebar::selectionChanged() {
    if (selecting_) return;
    const QModelIndexList selected = tree_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return;
    const QString route = selected.front().data(SidebarTree::routeRole).toString();
    if (!route.isEmpty()) emit routeChosen(route);
}

void LibrarySidebar::setSettingsSelected(bool selected) {
    settings_->setProperty("selected", selected);
    const QColor text = selected ? QColor(Qt::white) : palette().color(QPalette::WindowText);
    settings_->setIcon(symbolIcon(QStringLiteral("gearshape"), text));
    settings_->setStyleSheet(
        QStringLiteral("QPushButton { text-align: left; padding: 7px 10px; border: none; border-radius: 6px; "
                       "color: %1; background: %2; }")
            .arg(text.name(), selected ? accentColor().name() : QStringLiteral("transparent")));
    settings_->setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
}

void LibrarySidebar::setFooter(const ConnectionFooter& footer) {
    dot_->setPixmap(statusDot(footer.connected, palette(), devicePixelRatioF()));
    connected_ = footer.connected;
    server_->setText(menuText(footer.host));
    setPlainText(status_, footer.status);
    const std::string title = signInButtonTitle(footer.signIn);
    signIn_->setVisible(footer.signIn != SignInButton::none);
    signIn_->setText(QString::fromStdString(title));
    signIn_->setEnabled(footer.signIn != SignInButton::unlocking);
}

void LibrarySidebar::setPlaylistsExpanded(bool expanded) {
    tree_->setExpanded(tree_->playlistsSection(), expanded);
}

bool LibrarySidebar::playlistsExpanded() const {
    return tree_->isExpanded(tree_->playlistsSection());
}

} // namespace sorvalind
