#include "sync/sync_engine.h"

#include "runtime/async_call.h"
#include "runtime/cancellation.h"

#include <vector>

namespace sorvalind {

void SyncEngine::refreshPlaylists(LibraryAPI& api, std::stop_token stop) {
    std::uint64_t token = 0;
    {
        std::lock_guard lock(mutex_);
        token = ++playlistRequest_;
    }

    const std::vector<Playlist> listed = api.playlists(stop);
    std::vector<Playlist> playlists;
    playlists.reserve(listed.size());
    for (const Playlist& summary : listed) {
        throwIfCancelled(stop);
        playlists.push_back(api.playlist(summary.id, stop));
    }
    throwIfCancelled(stop);

    // The token is compared on the store's queue, where the replacement runs:
    // a later refresh takes its token before it queues its own replacement,
    // so an older result can never land after a newer one.
    callSync(repository_.executor(), [&] {
        {
            std::lock_guard lock(mutex_);
            if (playlistRequest_ != token) return;
        }
        repository_.replacePlaylists(playlists);
    });
}

} // namespace sorvalind
