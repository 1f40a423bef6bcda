#include "library_window/favorites_view.h"

#include "library_window/album_grid.h"
#include "library_window/favorite_artists_model.h"

#include "kit/favorite_controls.h"
#include "kit/model_adapter.h"
#include "kit/rating_controls.h"
#include "kit/text_styles.h"
#include "model/app_model.h"
#include "songs/song_table_view.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

AppModel::AlbumList starredAlbums(const AppModel::AlbumList& albums) {
    std::vector<Album> starred;
    if (albums)
        for (const Album& album : *albums)
            if (album.starred) starred.push_back(album);
    return std::make_shared<const std::vector<Album>>(std::move(starred));
}

} // namespace

FavoritesView::FavoritesView(std::shared_ptr<AppModel> model, Executor& songRowWorker, PageChoice choice,
                             QString title, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)),
      adapter_(new ModelAdapter(this)), scopes_(new QButtonGroup(this)), stack_(new QStackedWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* picker = new QWidget(this);
    picker->setAccessibleName(QStringLiteral("Favorites"));
    picker->setFixedWidth(330);
    auto* row = new QHBoxLayout(picker);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const QString names[] = {QStringLiteral("Songs"), QStringLiteral("Albums"), QStringLiteral("Artists")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(names[i], picker);
        button->setCheckable(true);
        button->setChecked(i == 0);
        button->setObjectName(names[i]);
        scopes_->addButton(button, i);
        row->addWidget(button, 1);
    }
    scopes_->setExclusive(true);
    connect(scopes_, &QButtonGroup::idClicked, this, [this](int id) { setScope(static_cast<Scope>(id)); });
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(16, 16, 16, 16);
    pickerRow->addStretch(1);
    pickerRow->addWidget(picker);
    pickerRow->addStretch(1);
    layout->addLayout(pickerRow);
    layout->addWidget(stack_, 1);

    songs_ = new SongTableView(model_, songRowWorker, stack_);
    albums_ = new AlbumGrid(model_, starredAlbums(model_->albums().value()), stack_);
    // The names sit inset from the page's edge, on the list's own background.
    auto* artistHolder = new QWidget(stack_);
    artistHolder->setBackgroundRole(QPalette::Base);
    artistHolder->setAutoFillBackground(true);
    auto* artistLayout = new QVBoxLayout(artistHolder);
    artistLayout->setContentsMargins(12, 0, 0, 0);
    artists_ = new QListView(artistHolder);
    artistLayout->addWidget(artists_);
    artistRows_ = new FavoriteArtistsModel(this);
    artists_->setObjectName(QStringLiteral("favoriteArtists"));
    artists_->setFrameShape(QFrame::NoFrame);
    artists_->setSelectionMode(QAbstractItemView::NoSelection);
    artists_->setUniformItemSizes(true);
    artists_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    artists_->setSpacing(4);
    artists_->setFont(textFont(TextStyle::body));
    artists_->setModel(artistRows_);
    artists_->setContextMenuPolicy(Qt::CustomContextMenu);
    artistRows_->setArtists(model_->artists().value());
    connect(artists_, &QListView::clicked, this,
            [this](const QModelIndex& index) { openArtist(index.row()); });
    connect(artists_, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        const QModelIndex index = artists_->indexAt(point);
        if (std::unique_ptr<QMenu> menu = index.isValid() ? artistMenu(index.row()) : nullptr) {
            QMenu* shown = menu.release();
            shown->setAttribute(Qt::WA_DeleteOnClose);
            shown->popup(artists_->viewport()->mapToGlobal(point));
        }
    });
    stack_->addWidget(songs_);
    stack_->addWidget(albums_);
    stack_->addWidget(artistHolder);

    adapter_->watch(model_->albums(), [this] { refreshAlbums(); });
    adapter_->watch(model_->artists(), [this] { artistRows_->setArtists(model_->artists().value()); });
}

void FavoritesView::setScope(Scope scope) {
    scope_ = scope;
    const int id = static_cast<int>(scope);
    if (QAbstractButton* button = scopes_->button(id)) button->setChecked(true);
    stack_->setCurrentIndex(id);
}

QPushButton* FavoritesView::scopeButton(Scope scope) const {
    return qobject_cast<QPushButton*>(scopes_->button(static_cast<int>(scope)));
}

void FavoritesView::refreshAlbums() {
    albums_->setAlbums(starredAlbums(model_->albums().value()));
}

void FavoritesView::openArtist(int row) {
    if (const Artist* artist = artistRows_->artist(row)) model_->setRoute("artist:" + artist->id);
}

std::unique_ptr<QMenu> FavoritesView::artistMenu(int row) {
    const Artist* found = artistRows_->artist(row);
    if (!found) return nullptr;
    const Artist artist = *found;
    std::weak_ptr<AppModel> weak = model_;
    auto menu = std::make_unique<QMenu>(this);
    addFavoriteMenuAction(*menu, artist.starred.has_value(), [weak, artist] {
        if (auto model = weak.lock()) model->favorite(artist);
    });
    addRatingMenu(*menu, artist.userRating, [weak, artist](int value) {
        if (auto model = weak.lock()) model->rate(artist, value);
    });
    return menu;
}

} // namespace sorvalind
