#pragma once
// The pages of all artists ("Artists") and all genres ("Genres"): the count
// header, then the tile grid, or the empty state while the list is empty. A
// tile opens its artist's or genre's page. The grid keeps its scroll offset
// in the model under the page's key and puts it back when the page comes
// again, once the list shown is the loaded one and laid out. An artist
// tile's context menu favourites and rates the artist.
//
// GUI thread only.

#include "library_window/library_page.h"

#include <memory>

class QLabel;
class QMenu;

namespace sorvalind {

class AppModel;
class EmptyState;
class ModelAdapter;
class ScrollRestorer;
class TileGrid;

class BrowseGridPage final : public LibraryPage {
    Q_OBJECT
public:
    BrowseGridPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title,
                   QWidget* parent = nullptr);
    ~BrowseGridPage() override;

    TileGrid& grid() const noexcept { return *grid_; }
    QLabel& countLabel() const noexcept { return *count_; }
    EmptyState& emptyState() const noexcept { return *empty_; }
    ScrollRestorer& restorer() const noexcept { return *restorer_; }
    // An artist tile's menu (favourite and rating), deleted when closed;
    // none off the tiles and on the genres page.
    QMenu* artistMenu(int row);

private:
    void refreshTiles();
    void refreshConnected();

    std::shared_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    QLabel* count_;
    TileGrid* grid_;
    EmptyState* empty_;
    ScrollRestorer* restorer_;
};

} // namespace sorvalind
