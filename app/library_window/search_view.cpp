#include "library_window/search_view.h"

#include "library_window/busy_indicator.h"
#include "library_window/empty_state.h"
#include "library_window/play_album.h"
#include "library_window/search_result_delegate.h"
#include "library_window/search_results_model.h"

#include "kit/artwork_slot.h"
#include "kit/favorite_controls.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/rating_controls.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "model/app_model.h"
#include "playback/playback_controller.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

// The "Searching…" panel: a spinner and its text on a rounded card, so it
// reads over earlier results.
class SearchingPanel final : public QWidget {
public:
    explicit SearchingPanel(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 10, 16, 10);
        layout->setSpacing(8);
        layout->addWidget(new BusyIndicator(QStringLiteral("Searching…"), this));
        QLabel* text = plainLabel(QStringLiteral("Searching…"), this);
        text->setObjectName(QStringLiteral("searchingText"));
        applySecondaryStyle(text);
        layout->addWidget(text);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QColor fill = palette().color(QPalette::Window);
        fill.setAlphaF(0.92);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }
};

QString noResultsTitle(const std::string& query) {
    return QStringLiteral("No Results for “%1”").arg(QString::fromStdString(query));
}

void addDownloadMenu(QMenu& menu, std::function<void(DownloadQuality)> download) {
    QMenu* submenu = menu.addMenu(QStringLiteral("Download"));
    for (const DownloadQuality& quality : DownloadQuality::allCases())
        QObject::connect(submenu->addAction(menuText(QString::fromStdString(quality.label()))),
                         &QAction::triggered, submenu, [download, quality] { download(quality); });
}

} // namespace

SearchView::SearchView(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)),
      adapter_(new ModelAdapter(this)), results_(new SearchResultsModel(this)),
      delegate_(new SearchResultDelegate(model_.get(), this)), list_(new QListView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);

    list_->setObjectName(QStringLiteral("searchResults"));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setMouseTracking(true);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setDefaultDropAction(Qt::CopyAction);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setModel(results_);
    list_->setItemDelegate(delegate_);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListView::clicked, this, [this](const QModelIndex& index) { activateRow(index.row()); });
    connect(delegate_, &SearchResultDelegate::coverArrived, list_->viewport(), qOverload<>(&QWidget::update));

    results_->setAvailability([weak = std::weak_ptr<AppModel>(model_)](const Song& song) {
        auto model = weak.lock();
        return !model || model->isSongAvailable(song);
    });
    connect(results_, &QAbstractItemModel::modelReset, this, [this] {
        playResults_ = nullptr;
        const int header = results_->songsHeaderRow();
        if (header < 0) return;
        auto* holder = new QWidget;
        auto* row = new QHBoxLayout(holder);
        row->setContentsMargins(0, 0, 16, 0);
        row->addStretch(1);
        playResults_ =
            new QPushButton(symbolIcon(QStringLiteral("play.fill"), palette().color(QPalette::ButtonText)),
                            QStringLiteral("Play Results"), holder);
        playResults_->setObjectName(QStringLiteral("playResults"));
        connect(playResults_, &QPushButton::clicked, this, &SearchView::playResults);
        row->addWidget(playResults_, 0, Qt::AlignVCenter);
        list_->setIndexWidget(results_->index(header), holder);
    });

    overlay_ = new QWidget(list_->viewport());
    overlay_->setAttribute(Qt::WA_TransparentForMouseEvents);
    searching_ = new SearchingPanel(overlay_);

    adapter_->watch(model_->artists(), [this] { refreshResults(); });
    adapter_->watch(model_->albums(), [this] { refreshResults(); });
    adapter_->watch(model_->songs(), [this] { refreshResults(); });
    adapter_->watch(model_->loading(), [this] { refreshOverlay(); });
    adapter_->watch(model_->query(), [this] { refreshOverlay(); });
    const auto availability = [this] { results_->availabilityChanged(); };
    adapter_->watch(model_->isOffline(), availability);
    adapter_->watch(model_->downloadedSongIDs(), availability);
    adapter_->watch(model_->connected(), [this] { delegate_->retryMissingCovers(); });
    refreshResults();
}

void SearchView::refreshResults() {
    results_->setResults(model_->artists().value(), model_->albums().value(), model_->songs().value());
    refreshOverlay();
}

void SearchView::refreshOverlay() {
    const bool loading = model_->loading().value();
    const bool empty = results_->rowCount() == 0;
    searching_->setVisible(loading);
    if (noResults_) {
        noResults_->hide();
        noResults_->deleteLater();
        noResults_ = nullptr;
    }
    if (!loading && empty) {
        noResults_ = new EmptyState(QStringLiteral("music.note.magnifyingglass"),
                                    noResultsTitle(model_->query().value()),
                                    QStringLiteral("Check the spelling or try a new search."), overlay_);
        noResults_->show();
    }
    placeOverlay();
    overlay_->raise();
}

void SearchView::placeOverlay() {
    const QRect area = list_->viewport()->rect();
    overlay_->setGeometry(area);
    const QSize card = searching_->sizeHint();
    searching_->setGeometry(
        QRect(QPoint((area.width() - card.width()) / 2, (area.height() - card.height()) / 2), card));
    if (noResults_) noResults_->setGeometry(QRect(QPoint(0, 0), area.size()));
}

bool SearchView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize) {
        placeOverlay();
        // The "Play Results" holder keeps its old width until the rows are laid out again.
        QMetaObject::invokeMethod(
            list_, [list = list_] { list->doItemsLayout(); }, Qt::QueuedConnection);
    }
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            list_->currentIndex().isValid()) {
            if (list_->currentIndex().flags().testFlag(Qt::ItemIsEnabled))
                activateRow(list_->currentIndex().row());
            return true;
        }
    }
    if (watched == list_->viewport() && event->type() == QEvent::ContextMenu) {
        const auto* context = static_cast<QContextMenuEvent*>(event);
        const QModelIndex index = list_->indexAt(context->pos());
        if (std::unique_ptr<QMenu> menu = index.isValid() ? menuFor(index.row()) : nullptr) {
            QMenu* shown = menu.release();
            shown->setAttribute(Qt::WA_DeleteOnClose);
            shown->popup(context->globalPos());
        }
        return true;
    }
    return LibraryPage::eventFilter(watched, event);
}

void SearchView::activateRow(int row) {
    // The model is held here: emptying the query may take this page down.
    const std::shared_ptr<AppModel> model = model_;
    if (const Artist* artist = results_->artist(row)) {
        const std::string route = "artist:" + artist->id;
        model->setQuery({});
        model->setRoute(route);
    } else if (const Album* album = results_->album(row)) {
        const std::string route = "album:" + album->id;
        model->setQuery({});
        model->setRoute(route);
    } else if (const Song* song = results_->song(row)) {
        if (!results_->isAvailable(*song)) return;
        const std::string id = song->id;
        model->playback().play(*results_->songs(), id, std::nullopt, std::nullopt);
    }
}

void SearchView::playResults() {
    if (results_->songs() && !results_->songs()->empty())
        model_->playback().play(*results_->songs(), std::nullopt, std::nullopt, std::nullopt);
}

std::unique_ptr<QMenu> SearchView::menuFor(int row) {
    std::weak_ptr<AppModel> weak = model_;
    auto with = [weak](auto fn) {
        return [weak, fn](auto&&... args) {
            if (auto model = weak.lock()) fn(*model, args...);
        };
    };
    // Menu items pass their checked state: the model actions take none.
    auto act = [weak](auto fn) {
        return [weak, fn] {
            if (auto model = weak.lock()) fn(*model);
        };
    };
    auto menu = std::make_unique<QMenu>(this);
    if (const Artist* found = results_->artist(row)) {
        const Artist artist = *found;
        addFavoriteMenuAction(*menu, artist.starred.has_value(),
                              act([artist](AppModel& m) { m.favorite(artist); }));
        addRatingMenu(*menu, artist.userRating,
                      with([artist](AppModel& m, int value) { m.rate(artist, value); }));
        return menu;
    }
    if (const Album* found = results_->album(row)) {
        const Album album = *found;
        addFavoriteMenuAction(*menu, album.starred.has_value(),
                              act([album](AppModel& m) { m.favorite(album); }));
        addRatingMenu(*menu, album.userRating,
                      with([album](AppModel& m, int value) { m.rate(album, value); }));
        connect(menu->addAction(QStringLiteral("Play")), &QAction::triggered, this,
                [weak, album] { playAlbum(weak.lock(), album); });
        addDownloadMenu(
            *menu, with([album](AppModel& m, DownloadQuality quality) { m.downloadAlbum(album, quality); }));
        return menu;
    }
    const Song* found = results_->song(row);
    if (!found) return nullptr;
    const std::vector<Song> songs{*found};
    const auto enqueue = [act, songs](bool next) {
        return act([songs, next](AppModel& m) {
            if (PlaybackController* controller = m.playback().controller()) controller->enqueue(songs, next);
        });
    };
    connect(menu->addAction(QStringLiteral("Play Next")), &QAction::triggered, this, enqueue(true));
    connect(menu->addAction(QStringLiteral("Add to Queue")), &QAction::triggered, this, enqueue(false));
    QMenu* share = menu->addMenu(QStringLiteral("Share"));
    for (SongShareDestination destination : allSongShareDestinations) {
        QAction* action = share->addAction(menuText(
            QString::fromUtf8(label(destination).data(), static_cast<qsizetype>(label(destination).size()))));
        action->setEnabled(model_->canShare(songs, destination));
        connect(action, &QAction::triggered, this,
                act([songs, destination](AppModel& m) { m.share(songs, destination); }));
    }
    const Song song = *found;
    connect(menu->addAction(song.starred ? QStringLiteral("Remove from Favorites")
                                         : QStringLiteral("Add to Favorites")),
            &QAction::triggered, this, act([song](AppModel& m) { m.favorite(song); }));
    QMenu* rating = menu->addMenu(QStringLiteral("Rating"));
    for (int value = 0; value <= 5; ++value) {
        const QString text = value == 0 ? QStringLiteral("No Rating") : QStringLiteral("%1 stars").arg(value);
        connect(rating->addAction(text), &QAction::triggered, this,
                act([song, value](AppModel& m) { m.rate(song, value); }));
    }
    addDownloadMenu(*menu, with([songs](AppModel& m, DownloadQuality quality) {
        m.downloads().enqueue(songs, quality);
    }));
    QMenu* playlists = menu->addMenu(QStringLiteral("Add to Playlist"));
    connect(playlists->addAction(QStringLiteral("New Playlist…")), &QAction::triggered, this,
            act([songs](AppModel& m) { m.setNewPlaylistSongs(songs); }));
    const auto& known = model_->playlists().value();
    if (!known.empty()) playlists->addSeparator();
    for (const Playlist& playlist : known)
        connect(playlists->addAction(menuText(QString::fromStdString(playlist.name))), &QAction::triggered,
                this, act([playlist, songs](AppModel& m) { m.addToPlaylist(playlist, songs); }));
    return menu;
}

} // namespace sorvalind
