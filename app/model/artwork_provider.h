#pragma once
// The cover of a song for the playback controller's now-playing display,
// taken from the artwork cache by the song's cover-art identifier.
//
// The provider holds the cache and the client that was current when it was
// made weakly: once either is gone it answers from what remains (no client:
// memory and disk only; no cache: nothing). It answers null at once for a
// song without cover art, and null for any failure; it never throws but
// std::bad_alloc. Call it on the main actor; the answer is posted there.

#include "library/song.h"
#include "model/artwork_cache.h"
#include "runtime/executor.h"
#include "server/api_client.h"
#include "services/now_playing_center.h"

#include <functional>
#include <memory>

namespace sorvalind {

using ArtworkProvider = std::function<void(const Song& song, std::function<void(ArtworkBytes)> done)>;

ArtworkProvider makeArtworkProvider(std::weak_ptr<ArtworkCache> cache, std::weak_ptr<APIClient> api,
                                    Executor& mainActor);

} // namespace sorvalind
