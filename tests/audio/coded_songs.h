#pragma once
// Test songs whose every sample can be checked: FLAC songs at 48000 Hz and 24
// bits in which each sample encodes its song and frame (bit-exact after
// decoding), MP3 songs of known noise (found again by correlation), and
// sines at 44100 Hz for the resampled joins. Made once per program in the
// audio folder. Any thread; throws std::runtime_error when a tool fails.

#include "platform/ffmpeg/pcm_buffer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

namespace sorvalind::testing {

// Sample `frame` of coded song `song` (0 to 7) in channel 0 or 1, as the
// decoder gives it: the left channel counts frames (up to 2^20) under the
// song number, the right one is noise drawn from both.
float codedSample(int song, std::int64_t frame, int channel);
// Frames `from` to `to` (exclusive) of the coded song.
PCMBuffer codedFrames(int song, std::int64_t from, std::int64_t to);
// The (song, frame) a left sample names; none for anything else (silence).
std::optional<std::pair<int, std::int64_t>> codedOrigin(float left);
std::filesystem::path codedFlac(int song, std::int64_t frames);

// A WAV file without a single frame. (A FLAC file of no frames says it
// does not know its length, which the decoder refuses.)
std::filesystem::path emptyWav(int song);

// Noise at a quarter of full scale, 48000 Hz, as 16-bit PCM.
float noiseSample(int song, std::int64_t frame, int channel);
// The noise song encoded by lame at 320 kbit/s with its gapless tag.
std::filesystem::path noiseMp3(int song, std::int64_t frames);

// A 441 Hz sine at half scale, 44100 Hz, 24 bits, starting at phase 0.
std::filesystem::path sineFlac44100(std::int64_t frames);

} // namespace sorvalind::testing
