// Decoding ten-minute songs to the pipeline's format (48 kHz stereo float)
// through PCMDecoder, in times real time, against bare loops in the same run
// that do the same work without our layers: libFLAC, FFmpeg or libmpg123
// decoding plus libswresample to 48 kHz float. The songs are made once into
// a cache folder of the build tree.
#include "audio_fixtures.h"
#include "bare_decode/bare_flac.h"
#include "playback/pcm_decoder.h"

#include <mpg123.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using namespace sorvalind;
namespace fs = std::filesystem;

constexpr double songSeconds = 600;
constexpr int outputRate = bench::pipelineRate;

using bench::bareFlac;
using bench::BareResampler;

std::size_t oursDecode(const fs::path& file) {
    PCMDecoder decoder(file, outputRate);
    std::size_t frames = 0;
    while (auto buffer = decoder.read(8192))
        frames += buffer->frameLength();
    return frames;
}

struct FileChunks : ChunkSource {
    std::ifstream in;
    explicit FileChunks(const fs::path& file) : in(file, std::ios::binary) {}
    std::optional<std::vector<std::byte>> next() override {
        std::vector<std::byte> chunk(16384);
        in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        chunk.resize(static_cast<std::size_t>(in.gcount()));
        if (chunk.empty()) return std::nullopt;
        return chunk;
    }
    void cancel() noexcept override {}
};

std::size_t oursStream(const fs::path& file) {
    PCMDecoder decoder(std::make_shared<FileChunks>(file), nullptr, outputRate);
    std::size_t frames = 0;
    while (auto buffer = decoder.read(8192))
        frames += buffer->frameLength();
    return frames;
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

// Best of several alternating rounds, in seconds.
std::pair<double, double> bestTimes(const std::function<std::size_t()>& ours,
                                    const std::function<std::size_t()>& bare, int rounds) {
    double bestOurs = 1e9, bestBare = 1e9;
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            auto start = std::chrono::steady_clock::now();
            std::size_t frames = which == 0 ? ours() : bare();
            std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
            if (std::abs(static_cast<double>(frames) - songSeconds * outputRate) > outputRate)
                throw std::runtime_error("a decode gave the wrong length");
            (which == 0 ? bestOurs : bestBare) = std::min(which == 0 ? bestOurs : bestBare, spent.count());
        }
    }
    return {bestOurs, bestBare};
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

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = fs::path(SORVALIND_BUILD_DIR) / "bench-audio";
    fs::create_directories(folder);
    const std::int64_t at441 = static_cast<std::int64_t>(songSeconds * 44100);
    using fixtures::Tone;
    fs::path flac16 = cached(folder, "song-16-44100.flac", [&] {
        return fixtures::flac(folder, "make-flac16", Tone{44100, 2, 16, at441});
    });
    fs::path flac24 = cached(folder, "song-24-96000.flac", [&] {
        return fixtures::flac(folder, "make-flac24",
                              Tone{96000, 2, 24, static_cast<std::int64_t>(songSeconds * 96000)});
    });
    fs::path mp3 = cached(folder, "song-320.mp3", [&] {
        return fixtures::mp3(folder, "make-mp3", Tone{44100, 2, 16, at441}, 320);
    });
    fs::path m4a = cached(folder, "song-aac.m4a", [&] {
        return fixtures::m4a(folder, "make-m4a", Tone{44100, 2, 16, at441});
    });

    struct Row {
        const char* name;
        std::function<std::size_t()> ours, bare;
        const char* floor;
    };
    const std::vector<Row> rows = {
        {"FLAC 16-bit 44.1 kHz", [&] { return oursDecode(flac16); }, [&] { return bareFlac(flac16); },
         "libFLAC"},
        {"FLAC 24-bit 96 kHz", [&] { return oursDecode(flac24); }, [&] { return bareFlac(flac24); },
         "libFLAC"},
        {"MP3 320 kbit/s file", [&] { return oursDecode(mp3); }, [&] { return bareFFmpeg(mp3); }, "FFmpeg"},
        {"MP3 320 kbit/s stream", [&] { return oursStream(mp3); }, [&] { return bareMpg123(mp3); },
         "libmpg123"},
        {"AAC in M4A", [&] { return oursDecode(m4a); }, [&] { return bareFFmpeg(m4a); }, "FFmpeg"},
    };
    bool allMet = true;
    std::printf("%-24s %12s %12s %8s  (goal: ratio >= 0.85)\n", "decode to 48 kHz float", "ours x rt",
                "bare x rt", "ratio");
    for (const auto& row : rows) {
        auto [ours, bare] = bestTimes(row.ours, row.bare, rounds);
        double ratio = bare / ours;
        allMet = allMet && ratio >= 0.85;
        std::printf("%-24s %11.1fx %11.1fx %8.3f  (bare: %s + libswresample)\n", row.name, songSeconds / ours,
                    songSeconds / bare, ratio, row.floor);
    }
    std::printf(allMet ? "every decode meets its goal\n" : "some decode misses its goal\n");
    return 0;
}
