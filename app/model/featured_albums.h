#pragma once
// The home banner's rotation: up to five albums drawn at random from the
// library, with the one shown. It survives reloads of the library (update
// keeps what is still there, in place, and tops it up) and can be reshuffled
// so that a new rotation prefers albums not featured before.
//
// A plain value: one thread at a time. Throws only std::bad_alloc.

#include "library/album.h"
#include "playback/shuffle_source.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct FeaturedAlbums {
    static constexpr std::size_t kCapacity = 5;

    // The rotation in display order.
    std::vector<Album> albums;
    // The album shown; none when the rotation is empty.
    std::optional<std::string> selectedID;

    // The first album of the rotation whose identifier is selectedID.
    const Album* selected() const noexcept;

    // Keeps the rotation current against `library`: albums still there are
    // replaced by their new version in place, the others dropped; then it is
    // topped up at random from the albums not yet in it (an identifier that
    // occurs twice counts once, by its first album).
    void update(const std::vector<Album>& library, const ShuffleSource& random);

    // A new rotation from the albums not in the current one, topped up from
    // the whole library when too few are new; it never opens with the album
    // that was shown.
    void refresh(const std::vector<Album>& library, const ShuffleSource& random);

    // Selects the album `offset` places further on, wrapping both ways; from
    // the first album when nothing is selected.
    void move(std::ptrdiff_t offset);

    friend bool operator==(const FeaturedAlbums&, const FeaturedAlbums&) = default;
};

} // namespace sorvalind
