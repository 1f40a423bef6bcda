#pragma once
// Failures of libFLAC itself (a decoder that cannot be made or initialised),
// carrying libFLAC's own status and its text. Decoding failures of a song are
// AudioFailure instead. Immutable value; any thread.

#include <stdexcept>
#include <string>

namespace sorvalind {

class FlacError : public std::runtime_error {
public:
    FlacError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace sorvalind
