#include "platform/ffmpeg/sample_converter.h"

#include "errors/audio_failure.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <vector>

namespace sorvalind {
namespace {

bool copiesDirectly(const SampleConverter::Input& input, int outputRate) {
    return input.sampleRate == outputRate && input.format == AV_SAMPLE_FMT_FLTP &&
           (input.channels == 1 || input.channels == 2);
}

// Grows both channels by `frames` and returns where the new frames start.
std::array<std::uint8_t*, 2> extend(PCMBuffer& out, std::size_t frames) {
    std::size_t at = out.frameLength();
    for (auto& channel : out.channels)
        channel.resize(at + frames);
    return {reinterpret_cast<std::uint8_t*>(out.channels[0].data() + at),
            reinterpret_cast<std::uint8_t*>(out.channels[1].data() + at)};
}

void shrinkTo(PCMBuffer& out, std::size_t frames) {
    for (auto& channel : out.channels)
        channel.resize(frames);
}

} // namespace

// The highest rate any real recording uses (DXD's 768 kHz) with room to
// spare. libswresample sizes its filter bank by the ratio of the rates, so a
// header claiming billions of samples a second would cost gigabytes.
constexpr int highestInputRate = 1'048'576;

SampleConverter::SampleConverter(Input input, int outputRate) : input_(input), outputRate_(outputRate) {
    if (input.sampleRate <= 0 || input.sampleRate > highestInputRate || input.channels < 1 ||
        input.channels > 64 || outputRate <= 0 || input.format <= AV_SAMPLE_FMT_NONE ||
        input.format >= AV_SAMPLE_FMT_NB)
        throw AudioFailure::invalidResponse();
    if (!copiesDirectly(input, outputRate)) makeResampler();
}

void SampleConverter::makeResampler() {
    const int inputs = input_.channels;
    AVChannelLayout in{};
    av_channel_layout_default(&in, inputs);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    // An explicit map rather than libswresample's downmix: the pipeline plays
    // the first two channels as they are.
    std::vector<double> matrix(static_cast<std::size_t>(2 * inputs), 0.0);
    matrix[0] = 1.0;
    matrix[static_cast<std::size_t>(inputs + (inputs > 1 ? 1 : 0))] = 1.0;
    resampler_.emplace(in, input_.format, input_.sampleRate, stereo, AV_SAMPLE_FMT_FLTP, outputRate_,
                       matrix.data());
    av_channel_layout_uninit(&in);
}

void SampleConverter::convert(const std::uint8_t* const* data, int frames, PCMBuffer& out) {
    if (frames <= 0) return;
    if (!resampler_) {
        const auto* left = reinterpret_cast<const float*>(data[0]);
        const auto* right = reinterpret_cast<const float*>(data[input_.channels == 2 ? 1 : 0]);
        out.channels[0].insert(out.channels[0].end(), left, left + frames);
        out.channels[1].insert(out.channels[1].end(), right, right + frames);
        return;
    }
    std::size_t before = out.frameLength();
    int room = swr_get_out_samples(resampler_->get(), frames);
    if (room < 0) throw AudioFailure::status(room);
    auto planes = extend(out, static_cast<std::size_t>(room));
    int made =
        swr_convert(resampler_->get(), planes.data(), room, const_cast<const std::uint8_t**>(data), frames);
    if (made < 0) {
        shrinkTo(out, before);
        throw AudioFailure::status(made);
    }
    shrinkTo(out, before + static_cast<std::size_t>(made));
    consumed_ += frames;
    produced_ += made;
}

void SampleConverter::flush(PCMBuffer& out) {
    if (!resampler_) return;
    const std::int64_t owed = av_rescale_rnd(consumed_, outputRate_, input_.sampleRate, AV_ROUND_NEAR_INF);
    const std::size_t start = out.frameLength();
    for (;;) {
        std::size_t before = out.frameLength();
        int room = std::max(swr_get_out_samples(resampler_->get(), 0), 0) + 64;
        auto planes = extend(out, static_cast<std::size_t>(room));
        int made = swr_convert(resampler_->get(), planes.data(), room, nullptr, 0);
        if (made < 0) {
            shrinkTo(out, before);
            throw AudioFailure::status(made);
        }
        shrinkTo(out, before + static_cast<std::size_t>(made));
        if (made == 0) break;
    }
    const std::int64_t room = std::max<std::int64_t>(owed - produced_, 0);
    if (static_cast<std::int64_t>(out.frameLength() - start) > room)
        shrinkTo(out, start + static_cast<std::size_t>(room));
    // A flushed resampler starts over, as at the start of a song.
    reset();
}

void SampleConverter::reset() {
    consumed_ = 0;
    produced_ = 0;
    if (!resampler_) return;
    resampler_.reset();
    makeResampler();
}

} // namespace sorvalind
