#pragma once
// Queues the songs of several albums as one download: their stored songs
// are read one album after another, in the order given, on the store's
// queue; only when every read succeeded are they all handed to the download
// manager, in that order. A failed read goes to the model's error and
// nothing is queued. The model is held weakly: a model replaced meanwhile
// queues nothing.
//
// GUI thread only (the GUI thread is the model's main actor).

#include "library/album.h"
#include "library/download_quality.h"

#include <memory>
#include <vector>

namespace sorvalind {

class AppModel;

void downloadAlbums(const std::shared_ptr<AppModel>& model, std::vector<Album> albums,
                    DownloadQuality quality);

} // namespace sorvalind
