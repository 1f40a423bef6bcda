// MPEG layer 2 audio through libavcodec's MP2 encoder, its frames written one
// after another: an MPEG audio stream that is not layer 3.
#include "loopback/audio/audio_fixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace sorvalind::fixtures {
namespace fs = std::filesystem;

fs::path mp2(const fs::path& folder, const std::string& name, const Tone& tone) {
    std::vector<std::vector<float>> planes = samples(wav(folder, name + "-source", tone));
    fs::path file = folder / (name + ".mp2");
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!codec) throw std::runtime_error("MP2 fixture: no MP2 encoder");
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    std::ofstream out(file, std::ios::binary);
    auto fail = [&](const char* what) {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&enc);
        throw std::runtime_error(std::string("MP2 fixture: ") + what);
    };
    enc->sample_fmt = AV_SAMPLE_FMT_S16;
    enc->sample_rate = tone.sampleRate;
    av_channel_layout_default(&enc->ch_layout, tone.channels);
    enc->bit_rate = 192000;
    if (avcodec_open2(enc, codec, nullptr) < 0) fail("opening the encoder");
    auto drain = [&] {
        while (avcodec_receive_packet(enc, packet) == 0) {
            out.write(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet);
        }
    };
    const std::int64_t total = static_cast<std::int64_t>(planes[0].size());
    for (std::int64_t at = 0; at + enc->frame_size <= total; at += enc->frame_size) {
        av_frame_unref(frame);
        frame->nb_samples = enc->frame_size;
        frame->format = enc->sample_fmt;
        frame->sample_rate = enc->sample_rate;
        if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0 ||
            av_frame_get_buffer(frame, 0) < 0)
            fail("frame buffer");
        auto* interleaved = reinterpret_cast<std::int16_t*>(frame->data[0]);
        for (int i = 0; i < enc->frame_size; ++i)
            for (int c = 0; c < tone.channels; ++c)
                interleaved[i * tone.channels + c] = static_cast<std::int16_t>(
                    planes[static_cast<std::size_t>(c)][static_cast<std::size_t>(at + i)] * 32767);
        if (avcodec_send_frame(enc, frame) < 0) fail("encoding");
        drain();
    }
    avcodec_send_frame(enc, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&enc);
    return file;
}

} // namespace sorvalind::fixtures
