#include "library_window/library_window.h"

#include "library_window/busy_indicator.h"
#include "library_window/error_banner.h"
#include "library_window/library_search_field.h"
#include "library_window/library_sidebar.h"
#include "library_window/page_host.h"

#include "kit/gui_executor.h"
#include "kit/key_table.h"
#include "kit/symbols.h"
#include "model/app_coordinator.h"
#include "model/app_model.h"
#include "playback/playback_controller.h"
#include "services/preferences.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

QToolButton* toolButton(QWidget* parent, QSize size) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFixedSize(size);
    return button;
}

} // namespace

LibraryWindow::LibraryWindow(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                             LibraryWindowParts parts, QWidget* parent)
    : QWidget(parent), model_(model), coordinator_(std::move(coordinator)), parts_(std::move(parts)),
      lastRoute_(model->route().value()) {
    Executor& timers = parts_.timers ? *parts_.timers : guiExecutor();
    load_ = std::make_unique<PageLoadTask>(timers, [weak = model_](std::stop_token stop) {
        if (auto model = weak.lock()) model->load(std::move(stop));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolbar());
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setChildrenCollapsible(false);
    sidebar_ = new LibrarySidebar(splitter_);
    splitter_->addWidget(sidebar_);
    splitter_->addWidget(buildDetail());
    queuePanel_ = parts_.pages.buildQueuePanel(model, splitter_);
    queuePanel_->setMinimumWidth(queueMinimumWidth);
    queuePanel_->setMaximumWidth(queueMaximumWidth);
    splitter_->addWidget(queuePanel_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setStretchFactor(2, 0);
    splitter_->setSizes({LibrarySidebar::idealWidth, 800, queueIdealWidth});
    layout->addWidget(splitter_, 1);

    const bool expanded =
        parts_.preferences ? parts_.preferences->boolValue(playlistsExpandedKey).value_or(true) : true;
    sidebar_->setPlaylistsExpanded(expanded);
    connect(sidebar_, &LibrarySidebar::playlistsExpandedChanged, this, [this](bool expanded) {
        if (parts_.preferences) parts_.preferences->setBool(playlistsExpandedKey, expanded);
    });
    connect(sidebar_, &LibrarySidebar::routeChosen, this, &LibraryWindow::chooseRoute);
    connect(sidebar_, &LibrarySidebar::settingsClicked, this, [this] {
        if (this->model()) coordinator_->showSettings();
    });
    connect(sidebar_, &LibrarySidebar::serverClicked, this, &LibraryWindow::showServerStatistics);
    connect(sidebar_, &LibrarySidebar::signInClicked, this, &LibraryWindow::signIn);
    connect(sidebar_->tree(), &SidebarTree::newPlaylistClicked, this, [this] { openNewPlaylist(); });
    connect(sidebar_->tree(), &SidebarTree::playlistMenuRequested, this,
            [this](const QString& id, const QPoint& at) {
                for (const Playlist& playlist : sidebar_->tree()->playlists())
                    if (QString::fromStdString(playlist.id) == id) popupPlaylistMenu(playlist, at);
            });
    sidebar_->tree()->dropOnPlaylist = [this](const Playlist& playlist, const QMimeData& data) {
        return dropOnPlaylist(playlist, data);
    };

    auto* searchAction = new QAction(QStringLiteral("Search Library"), this);
    searchAction->setShortcuts(registeredKeys(KeyCommand::search));
    searchAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(searchAction, &QAction::triggered, this, &LibraryWindow::focusSearch);
    addAction(searchAction);
    addAction(backAction_);
    addAction(forwardAction_);
    qApp->installEventFilter(this);

    watchModel(*model);
    render();
}

LibraryWindow::~LibraryWindow() {
    qApp->removeEventFilter(this);
    load_->cancel();
}

QWidget* LibraryWindow::buildToolbar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("libraryToolbar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(6);
    const QColor ink = palette().color(QPalette::WindowText);

    backAction_ = new QAction(symbolIcon(QStringLiteral("chevron.left"), ink), QStringLiteral("Back"), this);
    backAction_->setShortcuts(registeredKeys(KeyCommand::back));
    backAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(backAction_, &QAction::triggered, this, &LibraryWindow::goBack);
    back_ = toolButton(bar, QSize(32, 28));
    back_->setDefaultAction(backAction_);
    row->addWidget(back_);

    forwardAction_ =
        new QAction(symbolIcon(QStringLiteral("chevron.right"), ink), QStringLiteral("Forward"), this);
    forwardAction_->setShortcuts(registeredKeys(KeyCommand::forward));
    forwardAction_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(forwardAction_, &QAction::triggered, this, &LibraryWindow::goForward);
    forward_ = toolButton(bar, QSize(32, 28));
    forward_->setDefaultAction(forwardAction_);
    row->addWidget(forward_);

    // The slot keeps its place while nothing loads, so the row never shifts.
    auto* loadingSlot = new QWidget(bar);
    loadingSlot->setFixedSize(BusyIndicator::side, BusyIndicator::side);
    loadingIndicator_ = new BusyIndicator(QStringLiteral("Loading library…"), loadingSlot);
    row->addWidget(loadingSlot);
    row->addStretch(1);

    syncingIndicator_ = new BusyIndicator(QStringLiteral("Refreshing library…"), bar);
    row->addWidget(syncingIndicator_);
    search_ = new LibrarySearchField(bar);
    connect(search_, &LibrarySearchField::textChangedByUser, this, [this](const QString& text) {
        if (auto model = this->model()) model->setQuery(text.toStdString());
    });
    row->addWidget(search_);
    refresh_ = toolButton(bar, QSize(32, 28));
    refresh_->setIcon(symbolIcon(QStringLiteral("arrow.clockwise"), ink));
    refresh_->setToolTip(QStringLiteral("Refresh Library"));
    refresh_->setAccessibleName(QStringLiteral("Refresh Library"));
    connect(refresh_, &QToolButton::clicked, this, &LibraryWindow::refreshLibrary);
    row->addWidget(refresh_);
    return bar;
}

QWidget* LibraryWindow::buildDetail() {
    auto* detail = new QWidget(splitter_);
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    banner_ = new ErrorBanner(detail);
    connect(banner_, &ErrorBanner::dismissed, this, [this] {
        if (auto model = this->model()) model->clearError();
    });
    column->addWidget(banner_);
    pages_ = new PageHost(parts_.pages, detail);
    column->addWidget(pages_, 1);
    playerSlot_ = new QWidget(detail);
    playerSlot_->setObjectName(QStringLiteral("playerSlot"));
    auto* slotLayout = new QVBoxLayout(playerSlot_);
    slotLayout->setContentsMargins(16, 12, 16, 16);
    if (auto model = this->model(); model && parts_.pages.playerBar)
        slotLayout->addWidget(parts_.pages.playerBar(model, playerSlot_));
    playerSlot_->setVisible(false);
    column->addWidget(playerSlot_);
    return detail;
}

void LibraryWindow::watchModel(AppModel& model) {
    watch_.watch(model.route(), [this] { routeChanged(); });
    watch_.watch(model.query());
    watch_.watch(model.sort());
    watch_.watch(model.albums());
    watch_.watch(model.artists());
    watch_.watch(model.playlists());
    watch_.watch(model.backRoutes());
    watch_.watch(model.forwardRoutes());
    watch_.watch(model.loading());
    watch_.watch(model.syncing());
    watch_.watch(model.error());
    watch_.watch(model.queuePresented());
    watch_.watch(model.status());
    watch_.watch(model.connected());
    watch_.watch(model.isOffline());
    watch_.watch(model.credentialsLocked());
    watch_.watch(model.unlockingCredentials());
    watch_.watch(model.credentialsMissing(), [this] { credentialsMissingChanged(); });
    watch_.watch(model.newPlaylistSongs(), [this] { newPlaylistSongsChanged(); });
    watch_.watch(model.detailsSong(), [this] { detailsSongChanged(); });
    if (PlaybackController* controller = model.playback().controller()) {
        watch_.watch(controller->error());
        watch_.watch(controller->queue());
    }
    connect(&watch_, &ModelAdapter::modelChanged, this, &LibraryWindow::render);
}

void LibraryWindow::render() {
    const auto model = this->model();
    if (!model) return;
    const auto& route = model->route().value();
    const std::string& query = model->query().value();
    const auto& albums = *model->albums().value();
    const auto& artists = *model->artists().value();
    const auto& playlists = model->playlists().value();
    const RouteLists lists{albums, artists, playlists};

    const QString title = QString::fromStdString(pageTitle(route, query, lists));
    pages_->showPage(model, choosePage(route, query, lists), title);
    if (title != title_) {
        title_ = title;
        emit titleChanged(title_);
    }

    sidebar_->setPlaylists(playlists);
    sidebar_->setRoute(route);
    sidebar_->setSettingsSelected(settingsSelected(route, query));
    ConnectionFooter footer;
    if (const auto& configuration = model->configuration())
        footer.host = QString::fromStdString(configuration->url().host());
    footer.status = QString::fromStdString(model->status().value());
    footer.connected = model->connected().value();
    footer.signIn = signInButton(model->credentialsMissing().value(), model->credentialsLocked().value(),
                                 model->unlockingCredentials().value());
    sidebar_->setFooter(footer);

    search_->setModelText(QString::fromStdString(query));
    PlaybackController* controller = model->playback().controller();
    banner_->present(
        bannerMessage(model->error().value(), controller ? controller->error().value() : std::nullopt));
    backAction_->setEnabled(!model->backRoutes().value().empty());
    forwardAction_->setEnabled(!model->forwardRoutes().value().empty());
    loadingIndicator_->setVisible(model->loading().value());
    syncingIndicator_->setVisible(model->syncing().value());
    refresh_->setEnabled(!model->syncing().value() && model->api() != nullptr);
    queuePanel_->setVisible(model->queuePresented().value());
    playerSlot_->setVisible(parts_.pages.playerBar && controller && controller->queue().value().current);

    load_->update(BrowseRequest{query, route, model->sort().value()});
}

void LibraryWindow::routeChanged() {
    const auto model = this->model();
    if (!model) return;
    const auto& route = model->route().value();
    if (route == lastRoute_) return;
    lastRoute_ = route;
    if (route != std::optional<std::string>("Search")) model->setQuery("");
}

void LibraryWindow::credentialsMissingChanged() {
    const auto model = this->model();
    if (!model || !model->credentialsMissing().value()) return;
    coordinator_->setConnectionPresented(true);
    coordinator_->showSettings();
}

void LibraryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // The search field takes focus only when asked; a new window starts in the sidebar.
    sidebar_->tree()->setFocus(Qt::OtherFocusReason);
    credentialsMissingChanged();
}

bool LibraryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* press = static_cast<QMouseEvent*>(event);
        if (widget && (widget == this || isAncestorOf(widget))) {
            if (press->button() == Qt::BackButton) {
                goBack();
                return true;
            }
            if (press->button() == Qt::ForwardButton) {
                goForward();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool LibraryWindow::sidebarVisible() const {
    return !sidebar_->isHidden();
}

void LibraryWindow::setSidebarVisible(bool visible) {
    if (visible == sidebarVisible()) return;
    sidebar_->setVisible(visible);
    emit sidebarVisibleChanged(visible);
}

} // namespace sorvalind
