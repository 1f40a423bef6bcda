#pragma once
// Failures of PulseAudio itself: no sound server, a context or stream that
// cannot be made or connected. Carries PulseAudio's error code and its text.
// Immutable value; any thread.

#include <stdexcept>
#include <string>

namespace sorvalind {

class PulseError : public std::runtime_error {
public:
    // `step` says what failed ("connect to the sound server"); the text gets
    // pa_strerror's wording for `code` appended.
    PulseError(int code, const std::string& step);
    int code() const noexcept { return code_; }

private:
    int code_;
};

} // namespace sorvalind
