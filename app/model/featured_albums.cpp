#include "model/featured_albums.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace sorvalind {

const Album* FeaturedAlbums::selected() const noexcept {
    if (!selectedID) return nullptr;
    for (const Album& album : albums)
        if (album.id == *selectedID) return &album;
    return nullptr;
}

void FeaturedAlbums::update(const std::vector<Album>& library, const ShuffleSource& random) {
    // By identifier; the first album of an identifier counts.
    std::unordered_map<std::string_view, const Album*> index;
    for (const Album& album : library)
        index.try_emplace(album.id, &album);

    std::vector<Album> kept;
    for (const Album& album : albums)
        if (auto found = index.find(album.id); found != index.end()) kept.push_back(*found->second);
    albums = std::move(kept);

    std::unordered_set<std::string_view> taken;
    for (const Album& album : albums)
        taken.insert(album.id);
    std::vector<const Album*> candidates;
    for (const Album& album : library)
        if (taken.insert(album.id).second) candidates.push_back(&album);
    shuffleInPlace(candidates, random);
    for (const Album* candidate : candidates) {
        if (albums.size() >= kCapacity) break;
        albums.push_back(*candidate);
    }

    const bool keepsSelection =
        selectedID && std::any_of(albums.begin(), albums.end(),
                                  [&](const Album& album) { return album.id == *selectedID; });
    if (!keepsSelection) selectedID = albums.empty() ? std::nullopt : std::optional(albums.front().id);
}

void FeaturedAlbums::refresh(const std::vector<Album>& library, const ShuffleSource& random) {
    std::unordered_set<std::string> previous;
    for (const Album& album : albums)
        previous.insert(album.id);
    const std::optional<std::string> previouslySelected = selectedID;
    albums.clear();
    selectedID.reset();

    std::vector<Album> fresh;
    std::copy_if(library.begin(), library.end(), std::back_inserter(fresh),
                 [&](const Album& album) { return !previous.contains(album.id); });
    update(fresh, random);
    update(library, random);

    if (albums.size() >= 2 && previouslySelected && albums.front().id == *previouslySelected)
        std::swap(albums[0], albums[1]);
    selectedID = albums.empty() ? std::nullopt : std::optional(albums.front().id);
}

void FeaturedAlbums::move(std::ptrdiff_t offset) {
    if (albums.empty()) {
        selectedID.reset();
        return;
    }
    std::ptrdiff_t position = 0;
    if (selectedID) {
        auto found = std::find_if(albums.begin(), albums.end(),
                                  [&](const Album& album) { return album.id == *selectedID; });
        if (found != albums.end()) position = found - albums.begin();
    }
    const auto count = static_cast<std::ptrdiff_t>(albums.size());
    // Both remainders keep the dividend's sign; the second makes it positive.
    selectedID = albums[static_cast<std::size_t>(((position + offset) % count + count) % count)].id;
}

} // namespace sorvalind
