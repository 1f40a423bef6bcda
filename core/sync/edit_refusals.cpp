#include "sync/edit_refusals.h"

#include "library/album.h"
#include "library/artist.h"
#include "library/json_element.h"
#include "library/song.h"

#include <algorithm>
#include <set>

namespace sorvalind {

bool EditRefusals::refused(const LibraryRepository::PendingEdit& edit) {
    auto [entry, inserted] = counts_.try_emplace(edit.id, Count{edit.value, 0});
    if (!inserted && entry->second.value != edit.value) entry->second = Count{edit.value, 0};
    return ++entry->second.pushes >= limit;
}

void EditRefusals::forget(const LibraryRepository::PendingEdit& edit) {
    counts_.erase(edit.id);
}

void EditRefusals::keepOnly(const std::vector<LibraryRepository::PendingEdit>& queued) {
    std::set<std::string> ids;
    for (const auto& edit : queued)
        ids.insert(edit.id);
    std::erase_if(counts_, [&](const auto& entry) { return !ids.contains(entry.first); });
}

namespace {

template <class Item>
ServerItemState stateOf(const Item& item, std::string name, const LibraryRepository::PendingEdit& edit) {
    ServerItemState state;
    state.name = std::move(name);
    if (edit.kind == "favorite")
        state.holdsEdit = item.starred.has_value() == (edit.value == 1);
    else if (edit.kind == "rating")
        state.holdsEdit = item.userRating.value_or(0) == std::clamp<std::int64_t>(edit.value, 0, 5);
    return state;
}

} // namespace

ServerItemState serverState(APIClient& api, const LibraryRepository::PendingEdit& edit,
                            std::stop_token stop) {
    const APIClient::Parameters parameters = {{"id", edit.itemID}};
    switch (edit.target) {
    case LibraryItemKind::album: {
        Album album = Album::decode(api.request("getAlbum", parameters, stop).result("album"));
        return stateOf(album, album.name, edit);
    }
    case LibraryItemKind::artist: {
        Artist artist = Artist::decode(api.request("getArtist", parameters, stop).result("artist"));
        return stateOf(artist, artist.name, edit);
    }
    case LibraryItemKind::song:
        break;
    }
    Song song = Song::decode(api.request("getSong", parameters, stop).result("song"));
    return stateOf(song, song.title, edit);
}

} // namespace sorvalind
