#include "platform/ffmpeg/audio_file.h"

#include "errors/audio_failure.h"
#include "platform/ffmpeg/ffmpeg_error.h"
#include "platform/ffmpeg/mp3_gapless_info.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace sorvalind {
namespace {

// One ranged-read block: probing never asks the source for more than one
// block before it knows the container.
constexpr int probeBytes = 131072;
constexpr int ioBufferBytes = 65536;

// Containers and decoders of the formats the player supports; FFmpeg probes
// and opens nothing else.
constexpr const char* formatWhitelist = "mp3,mov,mp4,m4a,3gp,3g2,mj2,wav,w64,aiff,flac,aac,caf";
constexpr const char* codecWhitelist =
    "flac,mp3float,mp3,aac,alac,pcm_s8,pcm_u8,pcm_s16le,pcm_s16be,pcm_s24le,pcm_s24be,pcm_s32le,"
    "pcm_s32be,pcm_f32le,pcm_f32be,pcm_f64le,pcm_f64be";

struct Dictionary {
    AVDictionary* entries = nullptr;
    ~Dictionary() { av_dict_free(&entries); }
    void set(const char* key, const char* value) { av_dict_set(&entries, key, value, 0); }
};

AudioCodec codecOf(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_FLAC:
        return AudioCodec::flac;
    case AV_CODEC_ID_MP3:
        return AudioCodec::mpegLayer3;
    case AV_CODEC_ID_AAC:
        return AudioCodec::mpeg4AAC;
    case AV_CODEC_ID_ALAC:
        return AudioCodec::appleLossless;
    default:
        return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT ? AudioCodec::linearPCM
                                                                              : AudioCodec::other;
    }
}

bool isLossy(AudioCodec codec) {
    return codec == AudioCodec::mpegLayer3 || codec == AudioCodec::mpeg4AAC || codec == AudioCodec::other;
}

} // namespace

AudioFile::AudioFile(ByteSource& source)
    : source_(source), io_(ioBufferBytes, this, &AudioFile::readPacket, &AudioFile::seekTo),
      format_(io_.get()) {
    format_->format_whitelist = av_strdup(formatWhitelist);
    format_->codec_whitelist = av_strdup(codecWhitelist);
    if (!format_->format_whitelist || !format_->codec_whitelist) throw FFmpegError(AVERROR(ENOMEM));
    Dictionary options;
    options.set("probesize", "131072");
    options.set("formatprobesize", "131072");
    int code = format_.open(&options.entries);
    if (code < 0) fail(code);
    if ((code = avformat_find_stream_info(format_.get(), nullptr)) < 0) fail(code);
    stream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream_ < 0) fail(stream_);
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
    openDecoder();
}

void AudioFile::openDecoder() {
    AVStream* stream = format_->streams[stream_];
    const AVCodecParameters& parameters = *stream->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters.codec_id);
    if (!decoder) fail(AVERROR_DECODER_NOT_FOUND);
    codec_.emplace(decoder);
    int code = avcodec_parameters_to_context(codec_->get(), &parameters);
    if (code < 0) fail(code);
    (*codec_)->pkt_timebase = stream->time_base;
    Dictionary options;
    options.set("codec_whitelist", codecWhitelist);
    if ((code = avcodec_open2(codec_->get(), decoder, &options.entries)) < 0) fail(code);

    const AVCodecContext& context = *codec_->get();
    layout_ = {context.sample_rate, context.ch_layout.nb_channels, context.sample_fmt};
    if (layout_.sampleRate <= 0 || layout_.channels < 1 || layout_.format == AV_SAMPLE_FMT_NONE)
        throw AudioFailure::invalidResponse();

    AudioCodec codec = codecOf(parameters.codec_id);
    std::uint32_t bits = 0;
    if (!isLossy(codec))
        bits =
            static_cast<std::uint32_t>(parameters.bits_per_raw_sample > 0 ? parameters.bits_per_raw_sample
                                                                          : parameters.bits_per_coded_sample);
    sourceFormat_ = {codec, static_cast<double>(layout_.sampleRate),
                     static_cast<std::uint32_t>(layout_.channels), bits};
    preroll_ = isLossy(codec) ? 8192 : 0;

    timeBase_ = stream->time_base;
    startTime_ = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const AVRational perFrame{1, layout_.sampleRate};
    if (stream->duration > 0) {
        frameLength_ = av_rescale_q(stream->duration, timeBase_, perFrame);
        // The encoder's delay is not part of the song; its padding at the end
        // is only known to the demuxer, which trims it while reading.
        if (startTime_ > 0) frameLength_ -= av_rescale_q(startTime_, timeBase_, perFrame);
    } else if (format_->duration > 0) {
        frameLength_ = av_rescale_q(format_->duration, AVRational{1, AV_TIME_BASE}, perFrame);
    }
    if (codec == AudioCodec::mpegLayer3 && std::strcmp(format_->iformat->name, "mp3") == 0)
        if (auto gapless = readMP3GaplessInfo(source_)) frameLength_ = gapless->length();
    frameLength_ = std::max<std::int64_t>(frameLength_, 0);
    lengthStated_ = frameLength_ > 0 && format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
    lengthSlack_ = isLossy(codec) ? 2304 : 0;
    trimToLength_ = lengthStated_ && codec != AudioCodec::mpegLayer3;
}

int AudioFile::readPacket(void* opaque, std::uint8_t* buffer, int size) {
    auto* self = static_cast<AudioFile*>(opaque);
    // A source that failed once stays failed: FFmpeg may try again and must
    // not decode past a gap.
    if (self->failure_) return AVERROR_EXTERNAL;
    try {
        std::size_t got = self->source_.read(
            self->cursor_, std::span(reinterpret_cast<std::byte*>(buffer), static_cast<std::size_t>(size)));
        if (got == 0) return AVERROR_EOF;
        self->cursor_ += static_cast<std::int64_t>(got);
        return static_cast<int>(got);
    } catch (...) {
        self->failure_ = std::current_exception();
        return AVERROR_EXTERNAL;
    }
}

std::int64_t AudioFile::seekTo(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<AudioFile*>(opaque);
    std::int64_t size = self->source_.size();
    if (whence & AVSEEK_SIZE) return size > 0 ? size : AVERROR(ENOSYS);
    std::int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = self->cursor_;
        break;
    case SEEK_END:
        base = size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset > std::numeric_limits<std::int64_t>::max() - base) return AVERROR(EINVAL);
    std::int64_t target = base + offset;
    if (target < 0) return AVERROR(EINVAL);
    self->cursor_ = target;
    return target;
}

void AudioFile::fail(int code) {
    if (failure_) std::rethrow_exception(failure_);
    throw AudioFailure::status(code);
}

std::int64_t AudioFile::startOf(const AVFrame& frame) const {
    if (position_) return *position_;
    std::int64_t pts = frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return discardBefore_;
    return av_rescale_q(pts - startTime_, timeBase_, AVRational{1, layout_.sampleRate});
}

AudioFile::Decoded AudioFile::read() {
    AVCodecContext* codec = codec_->get();
    for (;;) {
        int code = avcodec_receive_frame(codec, frame_.get());
        if (code == 0) {
            const AVFrame& frame = *frame_.get();
            if (frame.sample_rate != layout_.sampleRate || frame.ch_layout.nb_channels != layout_.channels ||
                frame.format != layout_.format)
                throw AudioFailure::invalidResponse();
            std::int64_t start = startOf(frame);
            position_ = start + frame.nb_samples;
            std::int64_t skip = std::clamp<std::int64_t>(discardBefore_ - start, 0, frame.nb_samples);
            int frames = frame.nb_samples - static_cast<int>(skip);
            if (trimToLength_)
                frames = static_cast<int>(std::min<std::int64_t>(frames, frameLength_ - (start + skip)));
            if (frames <= 0) continue;
            const auto format = static_cast<AVSampleFormat>(frame.format);
            const bool planar = av_sample_fmt_is_planar(format);
            const int planes = planar ? frame.ch_layout.nb_channels : 1;
            const std::int64_t stride = av_get_bytes_per_sample(format) * (planar ? 1 : layout_.channels);
            planes_.resize(static_cast<std::size_t>(planes));
            for (int p = 0; p < planes; ++p)
                planes_[static_cast<std::size_t>(p)] = frame.extended_data[p] + skip * stride;
            return {planes_.data(), frames};
        }
        if (code == AVERROR_EOF) {
            if (failure_) std::rethrow_exception(failure_);
            if (lengthStated_ && position_ && *position_ + lengthSlack_ < frameLength_)
                throw AudioFailure::invalidResponse();
            return {};
        }
        if (code != AVERROR(EAGAIN)) fail(code);

        code = av_read_frame(format_.get(), packet_.get());
        if (code < 0) {
            // A failed read looks like the end to FFmpeg's demuxers.
            if (failure_ || code != AVERROR_EOF) fail(code);
            if ((code = avcodec_send_packet(codec, nullptr)) < 0) fail(code);
            continue;
        }
        if (packet_->stream_index == stream_) code = avcodec_send_packet(codec, packet_.get());
        av_packet_unref(packet_.get());
        if (code < 0) fail(code);
    }
}

void AudioFile::seek(std::int64_t frame) {
    std::int64_t last = frameLength_ > 0 ? frameLength_ : std::numeric_limits<std::int64_t>::max() / 2;
    std::int64_t target = std::clamp<std::int64_t>(frame, 0, last);
    // The preroll may reach before the first sample: an MPEG-4 file's first
    // packet holds only the encoder's delay and must still be decoded.
    std::int64_t from = target - preroll_;
    std::int64_t timestamp = startTime_ + av_rescale_q(from, AVRational{1, layout_.sampleRate}, timeBase_);
    int code = av_seek_frame(format_.get(), stream_, timestamp, AVSEEK_FLAG_BACKWARD);
    if (code < 0 && from < 0) code = av_seek_frame(format_.get(), stream_, 0, AVSEEK_FLAG_BYTE);
    if (code < 0) fail(code);
    avcodec_flush_buffers(codec_->get());
    position_.reset();
    discardBefore_ = target;
}

} // namespace sorvalind
