#include "platform/pulse/pulse_error.h"

#include <pulse/error.h>

namespace sorvalind {
namespace {

std::string describe(int code, const std::string& step) {
    const char* text = pa_strerror(code);
    return "PulseAudio could not " + step + ": " + (text ? text : "unknown error");
}

} // namespace

PulseError::PulseError(int code, const std::string& step)
    : std::runtime_error(describe(code, step)), code_(code) {}

} // namespace sorvalind
