#pragma once
// The failure type of the whole playback engine: the byte sources, the
// decoders and the stream bodies throw it. what() is the sentence the user
// sees. Immutable value; any thread. Construction never throws apart from
// allocation.

#include <cstdint>
#include <stdexcept>

namespace sorvalind {

class AudioFailure : public std::runtime_error {
public:
    enum class Case {
        status,
        rangeUnavailable,
        invalidResponse,
        cancelled,
        outputUnavailable,
    };

    // A decoding library call failed with this code (signed, as it gave it).
    static AudioFailure status(std::int32_t code);
    // The server does not answer byte ranges with 206.
    static AudioFailure rangeUnavailable();
    // A range response, a stream or an encoded song is malformed or
    // incomplete, or a decoder met an inconsistency.
    static AudioFailure invalidResponse();
    static AudioFailure cancelled();
    // No sound output could be opened: the desktop's sound server is not
    // running or refused the stream.
    static AudioFailure outputUnavailable();

    Case kind() const noexcept { return kind_; }
    // The code of `status`; 0 for the other cases.
    std::int32_t code() const noexcept { return code_; }

    std::string errorDescription() const { return what(); }

    friend bool operator==(const AudioFailure& a, const AudioFailure& b) noexcept {
        return a.kind_ == b.kind_ && a.code_ == b.code_;
    }

private:
    AudioFailure(Case kind, std::int32_t code);

    Case kind_;
    std::int32_t code_;
};

} // namespace sorvalind
