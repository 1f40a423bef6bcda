#include "library_window/browse_grid_page.h"

#include "kit/favorite_controls.h"
#include "kit/library_grid.h"
#include "kit/model_adapter.h"
#include "kit/rating_controls.h"
#include "kit/scroll_restorer.h"
#include "library_window/empty_state.h"
#include "library_window/tile_grid.h"
#include "model/app_model.h"

#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace sorvalind {
namespace {

bool isArtists(const PageChoice& choice) {
    return choice.kind == PageKind::artists;
}

} // namespace

BrowseGridPage::BrowseGridPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title,
                               QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)),
      adapter_(new ModelAdapter(this)) {
    const bool artists = isArtists(this->choice());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* header =
        makeLibraryCount(0, artists ? QStringLiteral("artists") : QStringLiteral("genres"), this);
    count_ = header->findChild<QLabel*>(QStringLiteral("libraryCount"));
    layout->addWidget(header);

    auto* stack = new QWidget(this);
    auto* overlay = new QGridLayout(stack);
    overlay->setContentsMargins(0, 0, 0, 0);
    grid_ = new TileGrid(artists ? TileKind::artist : TileKind::genre, *model_, stack);
    grid_->setObjectName(artists ? QStringLiteral("artistGrid") : QStringLiteral("genreGrid"));
    empty_ =
        artists
            ? new EmptyState(QStringLiteral("person.2"), QStringLiteral("No artists yet"),
                             QStringLiteral("Artists appear here as your library is synchronized."), stack)
            : new EmptyState(QStringLiteral("guitars"), QStringLiteral("No genres yet"),
                             QStringLiteral("Genres appear here when your music has genre tags."), stack);
    overlay->addWidget(grid_, 0, 0);
    overlay->addWidget(empty_, 0, 0);
    layout->addWidget(stack, 1);

    restorer_ = new ScrollRestorer(*grid_, *model_);
    connect(grid_, &TileGrid::routeRequested, this,
            [this](const QString& route) { model_->setRoute(route.toStdString()); });

    if (artists) {
        grid_->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
            if (QMenu* menu = artistMenu(grid_->indexAt(point).row()))
                menu->popup(grid_->viewport()->mapToGlobal(point));
        });
    }
    if (artists)
        adapter_->watch(model_->artists(), [this] { refreshTiles(); });
    else
        adapter_->watch(model_->genres(), [this] { refreshTiles(); });
    adapter_->watch(model_->loading(), [this] { refreshTiles(); });
    if (artists) {
        adapter_->watch(model_->connected(), [this] { refreshConnected(); });
        adapter_->watch(model_->isOffline(), [this] { refreshConnected(); });
    }
    refreshConnected();
    // The key belongs to the route this page was built for; its offset comes
    // back only once the loaded list is in place.
    restorer_->setKey(model_->browseScrollKey(artists ? "artists" : "genres"), false);
    refreshTiles();
}

BrowseGridPage::~BrowseGridPage() = default;

void BrowseGridPage::refreshTiles() {
    const bool artists = isArtists(choice());
    std::size_t count = 0;
    if (artists) {
        const AppModel::ArtistList& list = model_->artists().value();
        count = list ? list->size() : 0;
        grid_->tiles().setTiles(list ? artistTiles(*list) : std::vector<GridTile>{});
    } else {
        const auto& list = model_->genres().value();
        count = list.size();
        grid_->tiles().setTiles(genreTiles(list));
    }
    count_->setText(libraryCountText(static_cast<std::int64_t>(count),
                                     artists ? QStringLiteral("artists") : QStringLiteral("genres")));
    empty_->setVisible(count == 0);
    // Lay the tiles out now, so that the content height is final before the
    // saved offset is measured against it.
    grid_->doItemsLayout();
    restorer_->setReady(!model_->loading().value());
}

QMenu* BrowseGridPage::artistMenu(int row) {
    const AppModel::ArtistList& list = model_->artists().value();
    if (!list || row < 0 || row >= static_cast<int>(list->size())) return nullptr;
    const Artist artist = (*list)[static_cast<std::size_t>(row)];
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    std::weak_ptr<AppModel> weak = model_;
    addFavoriteMenuAction(*menu, artist.starred.has_value(), [weak, artist] {
        if (auto model = weak.lock()) model->favorite(artist);
    });
    addRatingMenu(*menu, artist.userRating, [weak, artist](int rating) {
        if (auto model = weak.lock()) model->rate(artist, rating);
    });
    return menu;
}

void BrowseGridPage::refreshConnected() {
    grid_->setConnected(model_->connected().value() && !model_->isOffline().value());
}

} // namespace sorvalind
