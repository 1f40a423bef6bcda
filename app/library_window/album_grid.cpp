#include "library_window/album_grid.h"

#include "library_window/album_downloads.h"
#include "library_window/album_grid_view.h"
#include "library_window/play_album.h"

#include "kit/favorite_controls.h"
#include "kit/library_grid.h"
#include "kit/model_adapter.h"
#include "kit/rating_controls.h"
#include "kit/scroll_restorer.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "kit/view_task.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <unordered_set>

namespace sorvalind {
namespace {

struct SortEntry {
    const char* title;
    AlbumSort sort;
};

constexpr SortEntry sortEntries[] = {
    {"Artist", AlbumSort::artist},
    {"Title", AlbumSort::title},
    {"Year", AlbumSort::year},
    {"Recently Added", AlbumSort::added},
};

bool sameAlbums(const AppModel::AlbumList& a, const AppModel::AlbumList& b) {
    if (a == b) return true;
    const std::size_t sizeA = a ? a->size() : 0;
    const std::size_t sizeB = b ? b->size() : 0;
    if (sizeA != sizeB) return false;
    return sizeA == 0 || *a == *b;
}

// One item per quality, in the pickers' order, each running `choose`.
void addQualityItems(QMenu& menu, std::function<void(DownloadQuality)> choose) {
    for (DownloadQuality quality : DownloadQuality::allCases())
        QObject::connect(menu.addAction(QString::fromStdString(quality.label())), &QAction::triggered, &menu,
                         [choose, quality] { choose(quality); });
}

} // namespace

bool operator==(const AlbumGridRequest& a, const AlbumGridRequest& b) {
    return a.sort == b.sort && a.favorites == b.favorites && sameAlbums(a.albums, b.albums);
}

AlbumGrid::AlbumGrid(std::shared_ptr<AppModel> model, AppModel::AlbumList albums, QWidget* parent)
    : QWidget(parent), model_(model), adapter_(new ModelAdapter(this)),
      albums_(albums ? std::move(albums) : std::make_shared<const std::vector<Album>>()),
      query_(std::make_unique<ViewTask<AlbumGridRequest>>(this)), gridModel_(new AlbumGridModel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(24, 10, 24, 10);
    count_ = new QLabel(libraryCountText(0, QStringLiteral("albums")), header);
    count_->setObjectName(QStringLiteral("albumCount"));
    applyTextStyle(count_, TextStyle::callout);
    applySecondaryStyle(count_);
    favorites_ = new QCheckBox(QStringLiteral("Favorites"), header);
    favorites_->setFont(textFont(TextStyle::subheadline));
    sortPicker_ = new QComboBox(header);
    sortPicker_->setAccessibleName(QStringLiteral("Sort"));
    sortPicker_->setToolTip(QStringLiteral("Sort"));
    sortPicker_->setFixedWidth(185);
    for (const SortEntry& entry : sortEntries)
        sortPicker_->addItem(QString::fromUtf8(entry.title));
    headerRow->addWidget(count_);
    headerRow->addStretch(1);
    headerRow->addWidget(favorites_);
    headerRow->addWidget(sortPicker_);
    layout->addWidget(header);

    selectionBar_ = new QWidget(this);
    selectionBar_->setObjectName(QStringLiteral("albumSelectionBar"));
    auto* barRow = new QHBoxLayout(selectionBar_);
    barRow->setContentsMargins(24, 12, 24, 12);
    selectionCount_ = new QLabel(selectionBar_);
    applySecondaryStyle(selectionCount_);
    auto* download = new QToolButton(selectionBar_);
    download->setText(QStringLiteral("Download Selection"));
    download->setPopupMode(QToolButton::InstantPopup);
    auto* downloadMenu = new QMenu(download);
    addQualityItems(*downloadMenu, [this](DownloadQuality quality) { downloadSelection(quality); });
    download->setMenu(downloadMenu);
    auto* clear = new QPushButton(QStringLiteral("Clear Selection"), selectionBar_);
    connect(clear, &QPushButton::clicked, this, &AlbumGrid::clearSelection);
    barRow->addWidget(selectionCount_);
    barRow->addStretch(1);
    barRow->addWidget(download);
    barRow->addWidget(clear);
    selectionBar_->hide();
    layout->addWidget(selectionBar_);

    auto& shown = *model; // the caller's, alive while the grid is built
    view_ = new AlbumGridView(model_, this);
    view_->setModel(gridModel_);
    view_->setArtworkConnected(artworkConnected(shown));
    layout->addWidget(view_, 1);
    // A model gone meanwhile makes no key current: nothing saved, nothing restored.
    restorer_ =
        new ScrollRestorer(*view_, shown.browseScrollOffsets(), [weak = model_](const BrowseScrollKey& key) {
            auto model = weak.lock();
            return model && model->isCurrent(key);
        });
    restorer_->setKey(shown.browseScrollKey("albums"), false);

    emptyPanel_ = new QWidget(view_);
    emptyPanel_->setObjectName(QStringLiteral("albumsEmpty"));
    auto* emptyLayout = new QVBoxLayout(emptyPanel_);
    emptyLayout->setSpacing(6);
    auto* emptySymbol = new QLabel(emptyPanel_);
    emptySymbol->setPixmap(symbolPixmap(QStringLiteral("square.stack"), QSize(40, 40),
                                        secondaryTextColor(palette()), devicePixelRatioF()));
    emptySymbol->setAlignment(Qt::AlignCenter);
    auto* emptyTitle = new QLabel(QStringLiteral("No albums here"), emptyPanel_);
    applyTextStyle(emptyTitle, TextStyle::title2, QFont::Bold);
    emptyTitle->setAlignment(Qt::AlignCenter);
    auto* emptyDescription = new QLabel(
        QStringLiteral("Albums appear here as your library is synchronized. Adjust filters to see more."),
        emptyPanel_);
    applyTextStyle(emptyDescription, TextStyle::callout);
    applySecondaryStyle(emptyDescription);
    emptyDescription->setAlignment(Qt::AlignCenter);
    emptyDescription->setWordWrap(true);
    emptyLayout->addWidget(emptySymbol);
    emptyLayout->addWidget(emptyTitle);
    emptyLayout->addWidget(emptyDescription);
    emptyPanel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    view_->installEventFilter(this);

    connect(favorites_, &QCheckBox::toggled, this, &AlbumGrid::setFavoritesOnly);
    connect(sortPicker_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(std::size(sortEntries))) setSort(sortEntries[index].sort);
    });
    connect(view_, &AlbumGridView::tileClicked, this, &AlbumGrid::clickTile);
    connect(view_, &AlbumGridView::tileMenuRequested, this, [this](int row, const QPoint& position) {
        if (const Album* album = gridModel_->album(row)) tileMenu(*album, this)->popup(position);
    });
    const auto connection = [this] {
        if (auto model = model_.lock()) view_->setArtworkConnected(artworkConnected(*model));
    };
    adapter_->watch(shown.connected(), connection);
    adapter_->watch(shown.isOffline(), connection);

    selectionChanged();
    runQuery();
}

AlbumGrid::~AlbumGrid() = default;

AlbumGridRequest AlbumGrid::currentRequest() const {
    return {albums_, sort_, favoritesOnly_};
}

void AlbumGrid::setAlbums(AppModel::AlbumList albums) {
    if (!albums) albums = std::make_shared<const std::vector<Album>>();
    if (sameAlbums(albums, albums_)) return;
    albums_ = std::move(albums);
    std::unordered_set<std::string> given;
    for (const Album& album : *albums_)
        given.insert(album.id);
    const std::size_t before = selection_.size();
    std::erase_if(selection_, [&given](const std::string& id) { return !given.contains(id); });
    if (selection_.size() != before) selectionChanged();
    refreshScrollKey();
    runQuery();
}

void AlbumGrid::setSort(AlbumSort sort) {
    if (sort == sort_) return;
    sort_ = sort;
    for (std::size_t i = 0; i < std::size(sortEntries); ++i)
        if (sortEntries[i].sort == sort) sortPicker_->setCurrentIndex(static_cast<int>(i));
    runQuery();
}

void AlbumGrid::setFavoritesOnly(bool favoritesOnly) {
    if (favoritesOnly == favoritesOnly_) return;
    favoritesOnly_ = favoritesOnly;
    favorites_->setChecked(favoritesOnly);
    runQuery();
}

void AlbumGrid::refreshScrollKey() {
    auto model = model_.lock();
    if (!model) return;
    BrowseScrollKey key = model->browseScrollKey("albums");
    if (!restorer_->state() || !(restorer_->state()->key() == key))
        restorer_->setKey(std::move(key), isReady());
}

void AlbumGrid::runQuery() {
    restorer_->setReady(isReady());
    AlbumGridRequest request = currentRequest();
    if (isReady()) {
        query_->cancel();
        return;
    }
    auto model = model_.lock();
    if (!model) return;
    LibraryRepository& repository = model->repository();
    const AlbumSort sort = sort_;
    const bool favorites = favoritesOnly_;
    query_->run(
        request, repository.executor(),
        [&repository, sort, favorites](std::stop_token) { return repository.albums("", sort, favorites); },
        [this, request](Outcome<std::vector<Album>> outcome) mutable {
            if (!outcome.hasValue()) {
                if (auto model = model_.lock()) model->reportError(outcome.error());
                return;
            }
            showDisplayed(std::move(outcome.get()), std::move(request));
        });
}

void AlbumGrid::showDisplayed(std::vector<Album> stored, AlbumGridRequest request) {
    std::unordered_set<std::string> given;
    for (const Album& album : *request.albums)
        given.insert(album.id);
    std::erase_if(stored, [&given](const Album& album) { return !given.contains(album.id); });
    count_->setText(libraryCountText(static_cast<std::int64_t>(stored.size()), QStringLiteral("albums")));
    gridModel_->setAlbums(std::move(stored));
    gridModel_->setSelection(selection_);
    displayedRequest_ = std::move(request);
    emptyPanel_->setVisible(gridModel_->rowCount() == 0);
    placeEmptyPanel();
    view_->scheduleVisibleTiles();
    restorer_->setReady(isReady());
}

void AlbumGrid::clickTile(int row, Qt::KeyboardModifiers modifiers) {
    const Album* album = gridModel_->album(row);
    if (!album) return;
    if (modifiers & Qt::ControlModifier) {
        if (!selection_.erase(album->id)) selection_.insert(album->id);
        selectionChanged();
        return;
    }
    const std::string id = album->id;
    auto model = model_.lock();
    if (!model) return;
    model->setQuery(std::string());
    model->setRoute("album:" + id);
}

void AlbumGrid::clearSelection() {
    if (selection_.empty()) return;
    selection_.clear();
    selectionChanged();
}

void AlbumGrid::selectionChanged() {
    gridModel_->setSelection(selection_);
    selectionCount_->setText(QString::number(selection_.size()) + QStringLiteral(" albums selected"));
    selectionBar_->setVisible(!selection_.empty());
}

QMenu* AlbumGrid::tileMenu(const Album& album, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    std::weak_ptr<AppModel> weak = model_;
    addFavoriteMenuAction(*menu, album.starred.has_value(), [weak, album] {
        if (auto model = weak.lock()) model->favorite(album);
    });
    addRatingMenu(*menu, album.userRating, [weak, album](int rating) {
        if (auto model = weak.lock()) model->rate(album, rating);
    });
    QAction* play = menu->addAction(symbolIcon(QStringLiteral("play.fill"), palette().color(QPalette::Text)),
                                    QStringLiteral("Play"));
    connect(play, &QAction::triggered, menu, [weak, album] { playAlbum(weak.lock(), album); });
    QMenu* download = menu->addMenu(QStringLiteral("Download"));
    QPointer<AlbumGrid> grid = this;
    addQualityItems(*download, [grid, weak, album](DownloadQuality quality) {
        if (grid && !grid->selection_.empty()) {
            grid->downloadSelection(quality);
            return;
        }
        if (auto model = weak.lock()) model->downloadAlbum(album, quality);
    });
    return menu;
}

void AlbumGrid::downloadSelection(DownloadQuality quality) {
    std::vector<Album> chosen;
    for (const Album& album : *albums_)
        if (selection_.contains(album.id)) chosen.push_back(album);
    downloadAlbums(model_.lock(), std::move(chosen), quality);
}

bool AlbumGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Resize) placeEmptyPanel();
    return QWidget::eventFilter(watched, event);
}

void AlbumGrid::placeEmptyPanel() {
    if (emptyPanel_->isHidden()) return;
    const QRect area = view_->rect();
    const QSize size = emptyPanel_->sizeHint().expandedTo(QSize(440, 0)).boundedTo(area.size());
    emptyPanel_->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    emptyPanel_->raise();
}

} // namespace sorvalind
