#pragma once
// One slot of the play queue: a song and the identifier of this slot, so the
// same song queued twice is two entries. Plain value; any thread. Making an
// entry from a song draws a fresh random identifier (CryptoError if the system
// has no random source). decode() throws DecodingError, encode() EncodingError.

#include "library/json_coding.h"
#include "library/song.h"
#include "platform/crypto/digest.h"

#include <string>
#include <utility>

namespace sorvalind {

struct QueueEntry {
    std::string id; // a UUID in its upper-case 8-4-4-4-12 text form
    Song song;

    explicit QueueEntry(Song song) : id(randomUUID()), song(std::move(song)) {}
    QueueEntry(std::string id, Song song) : id(std::move(id)), song(std::move(song)) {}

    // {"id": UUID text, "song": song object}, both required. The identifier
    // must be a UUID; it is read in either case and kept upper-case, the form
    // every entry is made with, so equal identifiers compare equal as text.
    static QueueEntry decode(const JSONElement& json);
    nlohmann::json encode() const;

    bool operator==(const QueueEntry&) const = default;
};

// A UUID from stored text, upper-cased; DecodingError when it is no UUID.
std::string decodeUUIDText(const JSONElement& json);

} // namespace sorvalind
