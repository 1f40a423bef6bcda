#include "library_window/play_album.h"

#include "kit/gui_executor.h"
#include "model/app_model.h"
#include "runtime/async_call.h"

namespace sorvalind {

void playAlbum(const std::shared_ptr<AppModel>& model, const Album& album) {
    if (!model) return;
    LibraryRepository& repository = model->repository();
    runOn(
        repository.executor(), guiExecutor(),
        // The store orders one album's songs by disc and track whatever the sort.
        [&repository, id = album.id] { return repository.songs("", SongSort::title, false, id); },
        [weak = std::weak_ptr<AppModel>(model)](Outcome<std::vector<Song>> outcome) {
            auto model = weak.lock();
            if (!model || model->isShuttingDown()) return;
            if (!outcome.hasValue()) {
                model->reportError(outcome.error());
                return;
            }
            const std::vector<Song>& songs = outcome.get();
            if (!songs.empty()) model->playback().play(songs, std::nullopt, std::nullopt, std::nullopt);
        });
}

} // namespace sorvalind
