#pragma once
// The format of a song as stored: what decoded it and at which rate, channel
// count and sample depth. Download verification compares it with what the
// server promised. Plain value; any thread.

#include <cstdint>

namespace sorvalind {

enum class AudioCodec {
    flac,
    mpegLayer3,
    mpeg4AAC,
    appleLossless,
    linearPCM,
    other,
};

struct AudioSourceFormat {
    AudioCodec codec = AudioCodec::other;
    double sampleRate = 0;
    std::uint32_t channels = 0;
    // Bits per sample of lossless and PCM sources; 0 for lossy ones.
    std::uint32_t bitsPerChannel = 0;

    friend bool operator==(const AudioSourceFormat&, const AudioSourceFormat&) = default;
};

} // namespace sorvalind
