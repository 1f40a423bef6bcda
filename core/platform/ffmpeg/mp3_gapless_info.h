#pragma once
// The length of an MP3 song as its encoder states it in the "Xing"/"Info"
// frame: the frame count less the encoder's delay and padding. FFmpeg trims
// both while decoding but keeps the padding to itself, so the stated
// duration would run past the last real sample. Any thread; throws what the
// byte source throws.

#include "platform/ffmpeg/byte_source.h"

#include <cstdint>
#include <optional>

namespace sorvalind {

struct MP3GaplessInfo {
    std::int64_t frames = 0;
    int samplesPerFrame = 0;
    int delay = 0;
    int padding = 0;

    std::int64_t length() const noexcept { return frames * samplesPerFrame - delay - padding; }
};

// Nothing when the file has no such frame, or none written by an encoder
// whose delay FFmpeg honours (the same rule FFmpeg applies).
std::optional<MP3GaplessInfo> readMP3GaplessInfo(ByteSource& source);

} // namespace sorvalind
