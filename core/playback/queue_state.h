#pragma once
// The play queue as one value: what plays now (`current`), what the user
// asked to hear next (`manual`, always first), the rest of the list playback
// started from (`context`, shuffled while `shuffle` is on) and what has
// played (`history`, oldest first). `originalOrder` holds the identifiers the
// last replacement made, in the order of its list, so that switching shuffle
// off can restore that order.
//
// An identifier occurs at most once across current, manual, context and
// history. Every operation finds entries by identifier; one that is not found
// leaves the queue unchanged. No operation throws except through memory
// exhaustion, or CryptoError when the system has no random source for new
// entry identifiers.
//
// A plain value: the playback controller edits its one live copy on the main
// actor and hands copies to other threads. decode() throws DecodingError,
// encode() EncodingError.

#include "library/json_coding.h"
#include "library/queue_entry.h"
#include "library/song.h"
#include "playback/repeat_mode.h"
#include "playback/shuffle_source.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct QueueState {
    std::optional<QueueEntry> current;
    std::vector<QueueEntry> manual;
    std::vector<QueueEntry> context;
    std::vector<QueueEntry> history;
    std::vector<std::string> originalOrder;
    RepeatMode repeatMode = RepeatMode::off;
    bool shuffle = false;

    // The entries that will play, in order: the manual part, then the context.
    std::vector<QueueEntry> upcoming() const;

    // A new queue from `songs` (fresh entries), starting at `startingIndex`
    // when given, else at the first song whose id is `startingAt`, else at the
    // first song; the index is clamped into the list. The songs before the
    // start go to the history, the ones after it to the context (shuffled
    // when shuffle is on). The manual part is always emptied; repeat mode and
    // shuffle keep their values.
    // The songs are moved into the entries.
    void replace(std::vector<Song> songs, const std::optional<std::string>& startingAt,
                 std::optional<std::int64_t> startingIndex, const ShuffleSource& random = systemShuffleIndex);

    // A new queue from `songs` in random order with shuffle switched on; the
    // last entry of the shuffled list becomes current.
    void replaceShuffled(std::vector<Song> songs, const ShuffleSource& random = systemShuffleIndex);

    // Switches shuffle. On: the context is shuffled. Off: the context goes
    // back to `originalOrder`, entries it does not name last in their present
    // order (of an identifier named twice, the first place counts).
    void toggleShuffle(const ShuffleSource& random = systemShuffleIndex);

    // Moves to the next entry and returns the new current one: the first of
    // the manual part, else of the context, else (repeat all) the history
    // played again. Repeat one does not move and returns the current entry.
    // Past the end the queue has no current entry and the result is none.
    std::optional<QueueEntry> advance();

    // Moves back: the last history entry becomes current and the former
    // current entry the first of the context. Nothing with an empty history.
    void previous();

    // Removes the entry from the manual part and the context; the current
    // entry and the history are left alone.
    void remove(const std::string& id);

    // Moves an upcoming entry immediately before another upcoming entry, from
    // and into whichever part holds each (the manual part is searched first).
    void move(const std::string& id, const std::string& before);

    // Fresh entries for `songs`, in their order, as one block at the front of
    // the manual part (`next`) or at its end. When the queue had no current
    // entry it advances to the first upcoming one, with repeat one lifted for
    // that step (repeat one would otherwise keep the empty current entry and
    // nothing would ever start), and the result is true: the caller starts
    // playing. Otherwise the result is false.
    bool enqueue(const std::vector<Song>& songs, bool next);

    // Empties the manual part.
    void clearManual() noexcept { manual.clear(); }

    // Repeat off becomes all, all becomes one, one becomes off.
    void cycleRepeat() noexcept;

    // Replaces the copies of `song` (same id) in the current entry, the manual
    // part and the context with `song`; the history keeps the copies it
    // played. True when any copy changed.
    bool updateSong(const Song& song);

    // The stored form: an object with "current" (left out when none; missing
    // or null reads as none), "manual", "context", "history" (arrays of entry
    // objects), "originalOrder" (UUID strings), "repeatMode" ("off", "all",
    // "one") and "shuffle" (a Boolean); every key but "current" is required
    // and unknown keys are ignored.
    static QueueState decode(const JSONElement& json);
    nlohmann::json encode() const;

    bool operator==(const QueueState&) const = default;
};

} // namespace sorvalind
