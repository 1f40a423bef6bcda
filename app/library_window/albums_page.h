#pragma once
// The "Albums" page: the album grid over every loaded album.
//
// GUI thread only.

#include "library_window/library_page.h"

#include <memory>

namespace sorvalind {

class AlbumGrid;
class AppModel;
class ModelAdapter;

class AlbumsPage final : public LibraryPage {
    Q_OBJECT

public:
    AlbumsPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent = nullptr);

    AlbumGrid& grid() const noexcept { return *grid_; }

private:
    // Weakly: a window outliving its model leaves it free to go.
    std::weak_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    AlbumGrid* grid_;
};

} // namespace sorvalind
