#pragma once
// MPEG layer 3 decoding of bytes as they arrive (libmpg123's feed mode):
// gapless on, so a stream with an encoder tag decodes to exactly its
// original length; 32-bit float output, interleaved, at the stream's own
// rate and channel count. Any other layer is refused.
//
// Decoder queue only (one thread at a time). The constructor throws
// Mpg123Error; feed() and decode() throw AudioFailure.status with
// libmpg123's code, and decode() AudioFailure.invalidResponse for a stream
// that is not layer 3 or changes its format midway.

#include "platform/mpg123/mpg123_handle.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sorvalind {

class MP3FeedDecoder {
public:
    struct Format {
        long sampleRate = 0;
        int channels = 0;
    };

    MP3FeedDecoder();

    // Hands over the next bytes of the stream; libmpg123 keeps a copy.
    void feed(std::span<const std::byte> bytes);

    struct Step {
        enum class Kind {
            // `samples` holds decoded frames (interleaved).
            audio,
            // Everything fed so far is decoded; feed more, or the stream ends.
            needMore,
        };
        Kind kind;
        std::span<const float> samples;
    };
    // Decodes the next frame the fed bytes hold. The samples stay valid until
    // the next call.
    Step decode();

    // The stream's format, once its first frame header has been read.
    const std::optional<Format>& format() const noexcept { return format_; }

private:
    void acceptFormat();

    Mpg123Handle handle_;
    std::optional<Format> format_;
};

} // namespace sorvalind
