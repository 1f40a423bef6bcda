#pragma once
// One slot of the play queue: a song and the identifier of this slot, so the
// same song queued twice is two entries. Plain value; any thread. Making an
// entry from a song draws a fresh random identifier (CryptoError if the system
// has no random source).

#include "library/song.h"
#include "platform/crypto/digest.h"

#include <string>
#include <utility>

namespace sorvalind {

struct QueueEntry {
    std::string id; // a UUID in text form
    Song song;

    explicit QueueEntry(Song song) : id(randomUUID()), song(std::move(song)) {}
    QueueEntry(std::string id, Song song) : id(std::move(id)), song(std::move(song)) {}

    bool operator==(const QueueEntry&) const = default;
};

} // namespace sorvalind
