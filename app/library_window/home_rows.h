#pragma once
// The home page's album rows, derived from the shared album list: each row
// keeps the first twelve of its order, picked in one pass over the list
// with a stable bounded insertion (equal keys keep the list's order), so a
// large library is never sorted whole. "From your collection" orders by a
// keyed hash of the identifier whose key is drawn once per process.
//
// Pure values; any thread.

#include "library/album.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorvalind {

struct CollectionKey {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;
};

// SipHash-2-4 of `text` under `key`.
std::uint64_t collectionHash(const std::string& text, const CollectionKey& key) noexcept;

// The process's key, drawn from `random` on the first call only.
const CollectionKey& processCollectionKey(const std::function<std::uint64_t()>& random);
// The same, drawn from the system's random device.
const CollectionKey& processCollectionKey();

struct HomeRow {
    std::string title;
    std::vector<Album> albums;
};

inline constexpr std::size_t kHomeRowLength = 12;

// The rows in display order, rows without albums left out.
std::vector<HomeRow> deriveHomeRows(const std::vector<Album>& albums, const CollectionKey& key);

// Derives again only when the list given is another list than the last one.
class HomeRowCache {
public:
    explicit HomeRowCache(CollectionKey key) : key_(key) {}
    const std::vector<HomeRow>& rows(const std::shared_ptr<const std::vector<Album>>& albums);
    std::size_t derivations() const noexcept { return derivations_; }

private:
    CollectionKey key_;
    std::shared_ptr<const std::vector<Album>> source_;
    std::vector<HomeRow> rows_;
    std::size_t derivations_ = 0;
    bool derived_ = false;
};

} // namespace sorvalind
