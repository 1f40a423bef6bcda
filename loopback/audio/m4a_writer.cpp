// AAC or Apple Lossless in an MPEG-4 audio file through libavcodec's own
// encoders and libavformat's MPEG-4 muxer, which writes the AAC encoder
// delay as an edit list.
#include "loopback/audio/audio_fixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace sorvalind::fixtures {
namespace fs = std::filesystem;
namespace {

void check(int code, const char* what) {
    if (code < 0) throw std::runtime_error(std::string("MPEG-4 fixture: ") + what + " failed");
}

struct Output {
    AVFormatContext* context = nullptr;
    ~Output() {
        if (context && context->pb) avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

struct Encoder {
    AVCodecContext* context = nullptr;
    ~Encoder() { avcodec_free_context(&context); }
};

struct Buffers {
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    ~Buffers() {
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
};

void drain(AVCodecContext* encoder, AVFormatContext* output, AVStream* stream, AVPacket* packet) {
    for (;;) {
        int code = avcodec_receive_packet(encoder, packet);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return;
        check(code, "encoding");
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        check(av_interleaved_write_frame(output, packet), "writing");
    }
}

// The sweeps of wav() encoded by `codecId` (AAC from floats, Apple Lossless
// from the 16-bit samples themselves) into `<name>.m4a`.
fs::path mpeg4Audio(const fs::path& folder, const std::string& name, const Tone& tone, AVCodecID codecId) {
    std::vector<std::vector<float>> planes = samples(wav(folder, name + "-source", tone));
    fs::path file = folder / (name + ".m4a");
    const bool lossless = codecId == AV_CODEC_ID_ALAC;
    if (lossless && tone.bits != 16)
        throw std::runtime_error("MPEG-4 fixture: Apple Lossless of 16 bits only");

    Output output;
    check(avformat_alloc_output_context2(&output.context, nullptr, "ipod", file.c_str()), "muxer");
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (!codec) throw std::runtime_error("MPEG-4 fixture: no such encoder");
    Encoder encoder;
    encoder.context = avcodec_alloc_context3(codec);
    AVCodecContext* enc = encoder.context;
    enc->sample_fmt = lossless ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_FLTP;
    enc->sample_rate = tone.sampleRate;
    av_channel_layout_default(&enc->ch_layout, tone.channels);
    if (!lossless) enc->bit_rate = 128000 * tone.channels;
    enc->time_base = AVRational{1, tone.sampleRate};
    if (output.context->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(enc, codec, nullptr), "opening the encoder");
    AVStream* stream = avformat_new_stream(output.context, nullptr);
    if (!stream) throw std::runtime_error("AAC fixture: no stream");
    check(avcodec_parameters_from_context(stream->codecpar, enc), "parameters");
    stream->time_base = enc->time_base;
    check(avio_open(&output.context->pb, file.c_str(), AVIO_FLAG_WRITE), "opening the file");
    check(avformat_write_header(output.context, nullptr), "header");

    Buffers buffers;
    const std::int64_t total = static_cast<std::int64_t>(planes[0].size());
    for (std::int64_t at = 0; at < total; at += enc->frame_size) {
        const int count = static_cast<int>(std::min<std::int64_t>(enc->frame_size, total - at));
        AVFrame* frame = buffers.frame;
        av_frame_unref(frame);
        frame->nb_samples = count;
        frame->format = enc->sample_fmt;
        frame->sample_rate = enc->sample_rate;
        check(av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout), "layout");
        check(av_frame_get_buffer(frame, 0), "frame buffer");
        for (int c = 0; c < tone.channels; ++c) {
            const auto from = planes[static_cast<std::size_t>(c)].begin() + at;
            if (lossless)
                std::transform(from, from + count, reinterpret_cast<std::int16_t*>(frame->extended_data[c]),
                               [](float v) { return static_cast<std::int16_t>(std::lround(v * 32768.0f)); });
            else
                std::copy_n(from, count, reinterpret_cast<float*>(frame->extended_data[c]));
        }
        frame->pts = at;
        check(avcodec_send_frame(enc, frame), "sending a frame");
        drain(enc, output.context, stream, buffers.packet);
    }
    check(avcodec_send_frame(enc, nullptr), "flushing");
    drain(enc, output.context, stream, buffers.packet);
    check(av_write_trailer(output.context), "trailer");
    return file;
}

} // namespace

fs::path m4a(const fs::path& folder, const std::string& name, const Tone& tone) {
    return mpeg4Audio(folder, name, tone, AV_CODEC_ID_AAC);
}

fs::path alac(const fs::path& folder, const std::string& name, const Tone& tone) {
    return mpeg4Audio(folder, name, tone, AV_CODEC_ID_ALAC);
}

} // namespace sorvalind::fixtures
