#pragma once
// Test audio made on the spot with sox, flac, lame and FFmpeg's own AAC
// and ALAC encoders: sweeps with a known number of frames, so that decoders can be
// checked sample by sample. Used by the audio tests, the fuzz corpus and the
// decode benchmark. Any thread; throws std::runtime_error when a tool fails.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvalind::fixtures {

struct Tone {
    int sampleRate = 48000;
    int channels = 2;
    int bits = 16;
    std::int64_t frames = 48000;
};

// Runs a shell command and throws when it fails.
void run(const std::string& command);

// A WAV file of rising sweeps, one a channel, each channel its own.
std::filesystem::path wav(const std::filesystem::path& folder, const std::string& name, const Tone& tone);
std::filesystem::path flac(const std::filesystem::path& folder, const std::string& name, const Tone& tone);
// Encoded by lame with its gapless tag, at a constant bit rate.
std::filesystem::path mp3(const std::filesystem::path& folder, const std::string& name, const Tone& tone,
                          int kilobits);
// AAC in an MPEG-4 audio file, encoded by libavcodec's own AAC encoder from
// the same sweeps (16-bit steps) as wav().
std::filesystem::path m4a(const std::filesystem::path& folder, const std::string& name, const Tone& tone);
// Apple Lossless of the same 16-bit sweeps in an MPEG-4 audio file, encoded
// by libavcodec's own ALAC encoder (16-bit tones only).
std::filesystem::path alac(const std::filesystem::path& folder, const std::string& name, const Tone& tone);

// MPEG layer 2 frames from libavcodec's MP2 encoder, as a raw stream.
std::filesystem::path mp2(const std::filesystem::path& folder, const std::string& name, const Tone& tone);

// The samples of a WAV file as floats, one vector per channel, each integer
// sample divided by 2^(bits - 1).
std::vector<std::vector<float>> samples(const std::filesystem::path& wavFile);

// A fresh empty folder under the system's temporary folder.
std::filesystem::path temporaryFolder(const std::string& prefix);

// One such folder for the whole test program, made on the first call (the
// prefix of later calls is ignored) and removed when the program ends.
const std::filesystem::path& programFolder(const std::string& prefix);

} // namespace sorvalind::fixtures
