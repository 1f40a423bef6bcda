#pragma once
// Where an interrupted synchronisation run goes on: its generation, the
// offsets of its next page and when the generation started, stored as JSON
// under "syncCheckpoint" with every page ({"generation":"…","artists":0,
// "albums":0,"songs":0,"started":<seconds since 2001>}, keys in that order).
// A plain value: any thread. encode() throws std::bad_alloc only; decode()
// gives none for text that is not such an object with all five keys.

#include "runtime/clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

struct SyncCheckpoint {
    std::string generation;
    int artists = 0;
    int albums = 0;
    int songs = 0;
    WallTime started;

    // A new generation (a random upper-case UUID) at offset 0, started now.
    static SyncCheckpoint fresh(WallTime now);
    static std::optional<SyncCheckpoint> decode(std::string_view json);
    std::string encode() const;

    bool hasProgress() const noexcept { return artists > 0 || albums > 0 || songs > 0; }
};

} // namespace sorvalind
