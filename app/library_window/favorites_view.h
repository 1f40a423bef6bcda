#pragma once
// The favourites page: three exclusive scope buttons ("Songs", "Albums",
// "Artists") over the song table (which shows the model's song list, the
// starred songs on this route), the album grid of the starred albums, or the
// starred artists by name. A page is built afresh for each visit, so each
// visit starts on "Songs".
//
// GUI thread only. The worker outlives the page.

#include "library_window/library_page.h"

#include <memory>

class QButtonGroup;
class QListView;
class QMenu;
class QPushButton;
class QStackedWidget;

namespace sorvalind {

class AlbumGrid;
class AppModel;
class Executor;
class FavoriteArtistsModel;
class ModelAdapter;
class SongTableView;

class FavoritesView final : public LibraryPage {
    Q_OBJECT
public:
    enum class Scope { songs, albums, artists };

    FavoritesView(std::shared_ptr<AppModel> model, Executor& songRowWorker, PageChoice choice, QString title,
                  QWidget* parent = nullptr);

    Scope scope() const noexcept { return scope_; }
    void setScope(Scope scope);
    QPushButton* scopeButton(Scope scope) const;

    SongTableView* songTable() const noexcept { return songs_; }
    AlbumGrid* albumGrid() const noexcept { return albums_; }
    QListView* artistList() const noexcept { return artists_; }
    FavoriteArtistsModel* artistRows() const noexcept { return artistRows_; }

    // What a click on the artist row does.
    void openArtist(int row);
    // The artist row's context menu, built now and not shown.
    std::unique_ptr<QMenu> artistMenu(int row);

private:
    void refreshAlbums();

    std::shared_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    Scope scope_ = Scope::songs;
    QButtonGroup* scopes_;
    QStackedWidget* stack_;
    SongTableView* songs_;
    AlbumGrid* albums_;
    QListView* artists_;
    FavoriteArtistsModel* artistRows_;
};

} // namespace sorvalind
