#include "library_window/album_downloads.h"

#include "kit/gui_executor.h"
#include "model/app_model.h"
#include "runtime/async_call.h"

namespace sorvalind {

void downloadAlbums(const std::shared_ptr<AppModel>& model, std::vector<Album> albums,
                    DownloadQuality quality) {
    if (!model) return;
    LibraryRepository& repository = model->repository();
    runOn(
        repository.executor(), guiExecutor(),
        [&repository, albums = std::move(albums)] {
            std::vector<Song> songs;
            for (const Album& album : albums) {
                // The store orders one album's songs by disc and track whatever the sort.
                std::vector<Song> part = repository.songs("", SongSort::title, false, album.id);
                songs.insert(songs.end(), std::make_move_iterator(part.begin()),
                             std::make_move_iterator(part.end()));
            }
            return songs;
        },
        [weak = std::weak_ptr<AppModel>(model), quality](Outcome<std::vector<Song>> outcome) {
            auto model = weak.lock();
            if (!model || model->isShuttingDown()) return;
            if (!outcome.hasValue()) {
                model->reportError(outcome.error());
                return;
            }
            model->downloads().enqueue(outcome.get(), quality);
        });
}

} // namespace sorvalind
