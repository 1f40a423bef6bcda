#pragma once
// The bare decode floor of the benchmarks: libFLAC's own file decoder, each
// frame turned into float and resampled by libswresample to the pipeline's
// format (48 kHz stereo float planar), with no layer of ours in between.
// Benchmark thread only (one call per thread at a time); throws
// std::runtime_error when the file cannot be decoded.

extern "C" {
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace sorvalind::bench {

constexpr int pipelineRate = 48000;

// A resampler to 48 kHz stereo float planar, first two channels as they are,
// and an output area it writes into again and again.
struct BareResampler {
    SwrContext* context = nullptr;
    std::vector<float> left, right;
    std::size_t frames = 0;

    BareResampler(int rate, int channels, AVSampleFormat format);
    ~BareResampler();
    BareResampler(const BareResampler&) = delete;
    BareResampler& operator=(const BareResampler&) = delete;

    void convert(const std::uint8_t* const* data, int count);
    void flush();
};

// Decodes the whole file; returns the frames made at 48 kHz.
std::size_t bareFlac(const std::filesystem::path& file);

} // namespace sorvalind::bench
