#include "library_window/album_page.h"

#include "library_window/album_header.h"

#include "kit/model_adapter.h"
#include "songs/song_table_view.h"

#include <QVBoxLayout>

#include <algorithm>

namespace sorvalind {

AlbumPage::AlbumPage(std::shared_ptr<AppModel> model, Executor& worker, PageChoice choice, QString title,
                     QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)),
      adapter_(new ModelAdapter(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    header_ = new AlbumHeader(model_, worker, this);
    songs_ = new SongTableView(model_, worker, this);
    layout->addWidget(header_);
    layout->addWidget(songs_, 1);

    adapter_->watch(model_->albums(), [this] { refreshAlbum(); });
    const auto songs = [this] { header_->refreshSongs(); };
    adapter_->watch(model_->songs(), songs);
    adapter_->watch(model_->route(), songs);
    const auto connection = [this] { header_->refreshConnection(); };
    adapter_->watch(model_->connected(), connection);
    adapter_->watch(model_->isOffline(), connection);
    header_->refreshSongs();
    refreshAlbum();
}

void AlbumPage::inputsChanged() {
    header_->refreshSongs();
    refreshAlbum();
}

void AlbumPage::refreshAlbum() {
    const auto& albums = *model_->albums().value();
    const auto found = std::find_if(albums.begin(), albums.end(),
                                    [&](const Album& album) { return album.id == choice().input; });
    header_->setVisible(found != albums.end());
    if (found != albums.end() && !(header_->album() == *found)) header_->setAlbum(*found);
}

} // namespace sorvalind
