#pragma once
// Failures of FFmpeg itself (a context that cannot be made or set up),
// carrying FFmpeg's own code and message. Decoding failures of a song are
// AudioFailure instead. Immutable value; any thread.

#include <stdexcept>
#include <string>

namespace sorvalind {

class FFmpegError : public std::runtime_error {
public:
    // `code` is FFmpeg's negative error code; the message is FFmpeg's text for it.
    explicit FFmpegError(int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace sorvalind
