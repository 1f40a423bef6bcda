#pragma once
// The artwork cache's hooks in the parts the model wires it to, by a song's
// cover-art identifier: the cover for the playback controller's now-playing
// display, and the download manager's fetch of a cover beside its transfer
// (which leaves the cover on disk for offline use).
//
// Each hook holds the cache and the client that was current when it was
// made weakly: once either is gone it answers from what remains (no client:
// memory and disk only; no cache: nothing). A song without cover art is
// answered at once; nothing is thrown but std::bad_alloc.

#include "downloads/download_manager.h"
#include "library/song.h"
#include "model/artwork_cache.h"
#include "runtime/executor.h"
#include "server/api_client.h"
#include "services/now_playing_center.h"

#include <functional>
#include <memory>

namespace sorvalind {

// Called on the main actor; `done` runs once, on the main actor, with the
// bytes or null for any failure.
using ArtworkProvider = std::function<void(const Song& song, std::function<void(ArtworkBytes)> done)>;

ArtworkProvider makeArtworkProvider(std::weak_ptr<ArtworkCache> cache, std::weak_ptr<APIClient> api,
                                    Executor& mainActor);

// The returned task ends, always successfully, once the cover is cached or
// has failed. Any thread.
DownloadManager::PrepareArtwork makeArtworkPreparation(std::weak_ptr<ArtworkCache> cache,
                                                       std::weak_ptr<APIClient> api);

} // namespace sorvalind
