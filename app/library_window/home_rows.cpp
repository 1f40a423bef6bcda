#include "library_window/home_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <random>

namespace sorvalind {
namespace {

struct SipState {
    std::uint64_t v0, v1, v2, v3;

    void round() noexcept {
        v0 += v1;
        v1 = std::rotl(v1, 13);
        v1 ^= v0;
        v0 = std::rotl(v0, 32);
        v2 += v3;
        v3 = std::rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = std::rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = std::rotl(v1, 17);
        v1 ^= v2;
        v2 = std::rotl(v2, 32);
    }
    void absorb(std::uint64_t m) noexcept {
        v3 ^= m;
        round();
        round();
        v0 ^= m;
    }
};

std::uint64_t littleEndianWord(const unsigned char* bytes, std::size_t count) noexcept {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i)
        word |= std::uint64_t(bytes[i]) << (8 * i);
    return word;
}

// A candidate of a row: its sort key and its place in the list.
template <class Key> struct Candidate {
    Key key;
    std::size_t index;
};

// Keeps the first kHomeRowLength candidates under `before` (a strict order
// on keys); equal keys keep the list's order because later indices go after.
template <class Key, class Before> class BoundedRow {
public:
    explicit BoundedRow(Before before) : before_(before) {}

    void offer(Key key, std::size_t index) {
        if (kept_.size() == kHomeRowLength && !before_(key, kept_.back().key)) return;
        auto place =
            std::upper_bound(kept_.begin(), kept_.end(), key,
                             [&](const Key& k, const Candidate<Key>& c) { return before_(k, c.key); });
        kept_.insert(place, Candidate<Key>{std::move(key), index});
        if (kept_.size() > kHomeRowLength) kept_.pop_back();
    }

    std::vector<Album> take(const std::vector<Album>& albums) const {
        std::vector<Album> result;
        result.reserve(kept_.size());
        for (const auto& candidate : kept_)
            result.push_back(albums[candidate.index]);
        return result;
    }

private:
    Before before_;
    std::vector<Candidate<Key>> kept_;
};

template <class Key, class Before> BoundedRow<Key, Before> boundedRow(Before before) {
    return BoundedRow<Key, Before>(before);
}

} // namespace

std::uint64_t collectionHash(const std::string& text, const CollectionKey& key) noexcept {
    SipState s{key.k0 ^ 0x736f6d6570736575ULL, key.k1 ^ 0x646f72616e646f6dULL, key.k0 ^ 0x6c7967656e657261ULL,
               key.k1 ^ 0x7465646279746573ULL};
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t length = text.size();
    std::size_t whole = length - length % 8;
    for (std::size_t i = 0; i < whole; i += 8)
        s.absorb(littleEndianWord(bytes + i, 8));
    s.absorb(littleEndianWord(bytes + whole, length % 8) | (std::uint64_t(length & 0xff) << 56));
    s.v2 ^= 0xff;
    for (int i = 0; i < 4; ++i)
        s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

const CollectionKey& processCollectionKey(const std::function<std::uint64_t()>& random) {
    static CollectionKey key;
    static std::once_flag drawn;
    std::call_once(drawn, [&] { key = {random(), random()}; });
    return key;
}

const CollectionKey& processCollectionKey() {
    return processCollectionKey([] {
        std::random_device device;
        return (std::uint64_t(device()) << 32) | device();
    });
}

std::vector<HomeRow> deriveHomeRows(const std::vector<Album>& albums, const CollectionKey& key) {
    const auto descending = [](const std::string& a, const std::string& b) { return a > b; };
    auto added = boundedRow<std::string>(descending);
    auto played = boundedRow<std::string>(descending);
    auto most = boundedRow<std::int64_t>([](std::int64_t a, std::int64_t b) { return a > b; });
    auto collection = boundedRow<std::uint64_t>([](std::uint64_t a, std::uint64_t b) { return a < b; });
    auto favorites = boundedRow<int>([](int, int) { return false; });

    for (std::size_t i = 0; i < albums.size(); ++i) {
        const Album& album = albums[i];
        // A missing date counts as the empty text, so such albums come last.
        added.offer(album.created.value_or(std::string()), i);
        if (album.played) played.offer(*album.played, i);
        if (album.playCount && *album.playCount > 0) most.offer(*album.playCount, i);
        collection.offer(collectionHash(album.id, key), i);
        if (album.starred) favorites.offer(0, i);
    }

    std::vector<HomeRow> rows;
    const auto add = [&](const char* title, std::vector<Album> list) {
        if (!list.empty()) rows.push_back({title, std::move(list)});
    };
    add("Recently added", added.take(albums));
    add("Recently played", played.take(albums));
    add("Most played", most.take(albums));
    add("From your collection", collection.take(albums));
    add("Favorites", favorites.take(albums));
    return rows;
}

const std::vector<HomeRow>& HomeRowCache::rows(const std::shared_ptr<const std::vector<Album>>& albums) {
    if (derived_ && albums == source_) return rows_;
    source_ = albums;
    rows_ = albums ? deriveHomeRows(*albums, key_) : std::vector<HomeRow>();
    derived_ = true;
    ++derivations_;
    return rows_;
}

} // namespace sorvalind
