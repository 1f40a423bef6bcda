#include "bare_decode/bare_flac.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace sorvalind::bench {

BareResampler::BareResampler(int rate, int channels, AVSampleFormat format) {
    AVChannelLayout in{}, out = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_default(&in, channels);
    swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLTP, pipelineRate, &in, format, rate, 0, nullptr);
    std::vector<double> matrix(static_cast<std::size_t>(2 * channels), 0.0);
    matrix[0] = 1;
    matrix[static_cast<std::size_t>(channels + (channels > 1))] = 1;
    swr_set_matrix(context, matrix.data(), channels);
    if (swr_init(context) < 0) throw std::runtime_error("swr_init");
}

BareResampler::~BareResampler() {
    swr_free(&context);
}

void BareResampler::convert(const std::uint8_t* const* data, int count) {
    int room = swr_get_out_samples(context, count);
    if (static_cast<int>(left.size()) < room) {
        left.resize(static_cast<std::size_t>(room));
        right.resize(static_cast<std::size_t>(room));
    }
    std::uint8_t* planes[2] = {reinterpret_cast<std::uint8_t*>(left.data()),
                               reinterpret_cast<std::uint8_t*>(right.data())};
    int made = swr_convert(context, planes, room, const_cast<const std::uint8_t**>(data), count);
    frames += static_cast<std::size_t>(std::max(made, 0));
}

void BareResampler::flush() {
    std::uint8_t* planes[2] = {reinterpret_cast<std::uint8_t*>(left.data()),
                               reinterpret_cast<std::uint8_t*>(right.data())};
    int made;
    while ((made = swr_convert(context, planes, static_cast<int>(left.size()), nullptr, 0)) > 0)
        frames += static_cast<std::size_t>(made);
}

std::size_t bareFlac(const std::filesystem::path& file) {
    struct State {
        std::unique_ptr<BareResampler> resampler;
        std::vector<std::vector<float>> planes;
    } state;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    auto write = [](const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const buffer[],
                    void* client) {
        auto& s = *static_cast<State*>(client);
        const auto& h = frame->header;
        if (!s.resampler) {
            s.resampler = std::make_unique<BareResampler>(h.sample_rate, h.channels, AV_SAMPLE_FMT_FLTP);
            s.planes.resize(h.channels);
        }
        const float scale = static_cast<float>(std::ldexp(1.0, static_cast<int>(h.bits_per_sample) - 1));
        const std::uint8_t* data[8];
        for (unsigned c = 0; c < h.channels; ++c) {
            s.planes[c].resize(h.blocksize);
            for (unsigned i = 0; i < h.blocksize; ++i)
                s.planes[c][i] = static_cast<float>(buffer[c][i]) / scale;
            data[c] = reinterpret_cast<const std::uint8_t*>(s.planes[c].data());
        }
        s.resampler->convert(data, static_cast<int>(h.blocksize));
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    };
    auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {};
    FLAC__stream_decoder_init_file(decoder, file.c_str(), write, nullptr, error, &state);
    FLAC__stream_decoder_process_until_end_of_stream(decoder);
    FLAC__stream_decoder_delete(decoder);
    if (!state.resampler) throw std::runtime_error("libFLAC decoded nothing");
    state.resampler->flush();
    return state.resampler->frames;
}

} // namespace sorvalind::bench
