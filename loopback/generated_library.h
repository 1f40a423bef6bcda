#pragma once
// A large, deterministic library for the store's benchmark and its
// equivalence tests: artists with diacritics in their names, albums with
// several artists, songs with multi-artist credits, contributors and several
// genres each (spelled in the variants servers send), every field filled the
// way a real server fills it. Records are made on demand from their index, so
// a 100,000-song library costs no memory until a page is asked for.
// A plain value: any thread; throws std::bad_alloc only.

#include "library/album.h"
#include "library/artist.h"
#include "library/search_page.h"
#include "library/song.h"

#include <cstddef>
#include <string>
#include <vector>

namespace sorvalind::loopback {

class GeneratedLibrary {
public:
    struct Shape {
        int songs = 100'000;
        int albums = 8'000;
        int artists = 2'000;
        // Items of each kind per search3 page.
        int pageSize = 500;
    };

    // The benchmark's proportions (8 albums and 2 artists per 100 songs).
    static Shape scaled(int songs);

    explicit GeneratedLibrary(Shape shape);

    const Shape& shape() const noexcept { return shape_; }

    // Identifiers "ar-1", "al-1", "so-1" (numbering from 1 by index).
    Artist artist(int index) const;
    Album album(int index) const;
    Song song(int index) const;

    // The search3 pages a synchronisation run receives, in order: page N
    // carries items N*pageSize.. of each kind, lists empty once a kind runs out.
    int pageCount() const noexcept;
    SearchPage page(int index) const;

    // The index of the album a song belongs to, and of an album's first song.
    int albumOfSong(int songIndex) const noexcept;
    int firstSongOfAlbum(int albumIndex) const noexcept;

    // The words titles are made of; each appears in about 1% of song titles
    // and album names at the default size.
    static const std::vector<std::string>& titleWords();

private:
    Shape shape_;
};

} // namespace sorvalind::loopback
