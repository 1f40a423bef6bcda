#include "bare_decode/bare_decode.h"

#include <FLAC/stream_decoder.h>
#include <mpg123.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace sorvalind::bench {

namespace fs = std::filesystem;

namespace {

// A resampler to 48 kHz stereo float planar, first two channels as they are,
// and an output area it writes into again and again.
struct BareResampler {
    SwrContext* context = nullptr;
    std::vector<float> left, right;
    std::size_t frames = 0;

    BareResampler(int rate, int channels, AVSampleFormat format) {
        AVChannelLayout in{}, out = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_default(&in, channels);
        swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLTP, outputRate, &in, format, rate, 0, nullptr);
        std::vector<double> matrix(static_cast<std::size_t>(2 * channels), 0.0);
        matrix[0] = 1;
        matrix[static_cast<std::size_t>(channels + (channels > 1))] = 1;
        swr_set_matrix(context, matrix.data(), channels);
        if (swr_init(context) < 0) throw std::runtime_error("swr_init");
    }
    ~BareResampler() { swr_free(&context); }

    void convert(const std::uint8_t* const* data, int count) {
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
    void flush() {
        std::uint8_t* planes[2] = {reinterpret_cast<std::uint8_t*>(left.data()),
                                   reinterpret_cast<std::uint8_t*>(right.data())};
        int made;
        while ((made = swr_convert(context, planes, static_cast<int>(left.size()), nullptr, 0)) > 0)
            frames += static_cast<std::size_t>(made);
    }
};

} // namespace

// libFLAC's own file decoder, each frame turned into float and resampled.
std::size_t bareFlac(const fs::path& file) {
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
    state.resampler->flush();
    return state.resampler->frames;
}

// FFmpeg opening the file itself, decoding and resampling each frame.
std::size_t bareFFmpeg(const fs::path& file) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0) throw std::runtime_error("open");
    avformat_find_stream_info(format, nullptr);
    int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[index]->codecpar);
    avcodec_open2(context, codec, nullptr);
    BareResampler resampler(context->sample_rate, context->ch_layout.nb_channels, context->sample_fmt);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0)
            resampler.convert(frame->extended_data, frame->nb_samples);
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(context, packet);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(context, nullptr);
    drain();
    resampler.flush();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return resampler.frames;
}

// libmpg123 fed the file in the same chunks, float output, resampled.
std::size_t bareMpg123(const fs::path& file) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    mpg123_param2(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_QUIET, 0);
    mpg123_open_feed(handle);
    std::unique_ptr<BareResampler> resampler;
    int channels = 2;
    FileChunks chunks(file);
    bool more = true;
    while (more) {
        auto chunk = chunks.next();
        if (!chunk)
            more = false;
        else
            mpg123_feed(handle, reinterpret_cast<const unsigned char*>(chunk->data()), chunk->size());
        for (;;) {
            off_t number;
            unsigned char* audio;
            std::size_t bytes;
            int code = mpg123_decode_frame(handle, &number, &audio, &bytes);
            if (code == MPG123_NEW_FORMAT) {
                long rate;
                int encoding;
                mpg123_getformat(handle, &rate, &channels, &encoding);
                resampler =
                    std::make_unique<BareResampler>(static_cast<int>(rate), channels, AV_SAMPLE_FMT_FLT);
                continue;
            }
            if (code != MPG123_OK) break;
            if (bytes == 0) continue;
            const std::uint8_t* data[1] = {audio};
            resampler->convert(data, static_cast<int>(bytes / sizeof(float)) / channels);
        }
    }
    mpg123_delete(handle);
    resampler->flush();
    return resampler->frames;
}

fs::path cached(const fs::path& folder, const std::string& name, const std::function<fs::path()>& make) {
    fs::path file = folder / name;
    if (fs::exists(file)) return file;
    std::printf("making %s ...\n", name.c_str());
    std::fflush(stdout);
    fs::path made = make();
    fs::rename(made, file);
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find("-source") != std::string::npos) fs::remove(entry.path());
    return file;
}

} // namespace sorvalind::bench
