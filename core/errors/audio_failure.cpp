#include "errors/audio_failure.h"

#include "runtime/decimal_text.h"

#include <string>

namespace sorvalind {
namespace {

std::string describe(AudioFailure::Case kind, std::int32_t code) {
    switch (kind) {
    case AudioFailure::Case::status:
        return "The native audio decoder could not read this file (" + decimalText(code) + ").";
    case AudioFailure::Case::rangeUnavailable:
        return "This server does not support accurate byte-range access. Download the original file for "
               "playback.";
    case AudioFailure::Case::invalidResponse:
        return "The server returned an invalid or incomplete audio range.";
    case AudioFailure::Case::cancelled:
        return "Playback was cancelled.";
    case AudioFailure::Case::outputUnavailable:
        return "No sound output is available. Check that your desktop’s sound server is running.";
    }
    return "The server returned an invalid or incomplete audio range.";
}

} // namespace

AudioFailure::AudioFailure(Case kind, std::int32_t code)
    : std::runtime_error(describe(kind, code)), kind_(kind), code_(code) {}

AudioFailure AudioFailure::status(std::int32_t code) {
    return AudioFailure(Case::status, code);
}
AudioFailure AudioFailure::rangeUnavailable() {
    return AudioFailure(Case::rangeUnavailable, 0);
}
AudioFailure AudioFailure::invalidResponse() {
    return AudioFailure(Case::invalidResponse, 0);
}
AudioFailure AudioFailure::cancelled() {
    return AudioFailure(Case::cancelled, 0);
}
AudioFailure AudioFailure::outputUnavailable() {
    return AudioFailure(Case::outputUnavailable, 0);
}

} // namespace sorvalind
