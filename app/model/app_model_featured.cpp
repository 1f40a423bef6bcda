// The home banner's rotation: the banner's controls change it here, so it
// outlives the page that shows it.
#include "model/app_model.h"

#include <algorithm>
#include <utility>

namespace sorvalind {

void AppModel::moveFeaturedAlbum(std::ptrdiff_t offset) {
    FeaturedAlbums featured = featuredAlbums_.value();
    featured.move(offset);
    featuredAlbums_.set(std::move(featured));
}

void AppModel::refreshFeaturedAlbums() {
    FeaturedAlbums featured = featuredAlbums_.value();
    featured.refresh(*featuredAlbumLibrary_.value(), environment_.shuffle);
    featuredAlbums_.set(std::move(featured));
}

void AppModel::selectFeaturedAlbum(const std::string& id) {
    const FeaturedAlbums& current = featuredAlbums_.value();
    if (std::none_of(current.albums.begin(), current.albums.end(),
                     [&](const Album& album) { return album.id == id; }))
        return;
    FeaturedAlbums featured = current;
    featured.selectedID = id;
    featuredAlbums_.set(std::move(featured));
}

} // namespace sorvalind
