#include "library_window/albums_page.h"

#include "library_window/album_grid.h"

#include "kit/model_adapter.h"

#include <QVBoxLayout>

namespace sorvalind {

AlbumsPage::AlbumsPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(model),
      adapter_(new ModelAdapter(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    grid_ = new AlbumGrid(model, model->albums().value(), this);
    layout->addWidget(grid_);
    adapter_->watch(model->albums(), [this] {
        if (auto model = model_.lock()) grid_->setAlbums(model->albums().value());
    });
}

} // namespace sorvalind
