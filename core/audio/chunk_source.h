#pragma once
// One continuous body of bytes handed out chunk by chunk to a blocking
// reader: the transcoded MP3 stream that the stream decoder parses.
// next() runs on the decoder queue; cancel() from any thread, and it wakes a
// waiting next() at once.

#include <cstddef>
#include <optional>
#include <vector>

namespace sorvalind {

class ChunkSource {
public:
    virtual ~ChunkSource() = default;

    // Blocks until a chunk is available and returns it; none at the clean end
    // of the body. Throws the body's first failure (on every call once it has
    // failed), or AudioFailure.cancelled after cancel().
    virtual std::optional<std::vector<std::byte>> next() = 0;
    // Stops the body for good.
    virtual void cancel() noexcept = 0;
};

} // namespace sorvalind
